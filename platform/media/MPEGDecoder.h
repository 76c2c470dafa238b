#pragma once

#include "PallixByteTimeMap.h"
#include "PallixMPEGFile.h"
#include "PallixRect.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class PallixDecoderSession;
class PallixOpenedFilm;

// Plays a movie: pictures into the video plane, sound to the speakers, paced by
// the sound (by the wall clock when there is none), subtitles over the picture.
// An MPEG program or transport stream is handed over by a subclass a piece at a
// time (OnFillBuffer). Any other container is read by the decoder itself from
// its file (SetSource); the subclass's byte positions then stand for times
// (position = time / duration x size): the decoder starts where
// OnGetStreamPosition says, follows that position when the subclass moves it,
// and moves it on through OnFillBuffer as the movie plays, up to the file's size
// at its end.
//
// Constructing one costs nothing; the libraries and the decoder's threads come
// to life in Open. Between a Close and the next Open (a seek) the sound device,
// the open file and its decoders are kept; ClearVideo lets go of them. A
// subclass closes the decoder in its own destructor, since its callbacks are
// called until Close returns.
class MPEGDecoder
{
public:
    MPEGDecoder();
    virtual ~MPEGDecoder();
    MPEGDecoder(const MPEGDecoder&) = delete;
    MPEGDecoder& operator=(const MPEGDecoder&) = delete;

    // Called on a decoder thread for up to nBuffSize more bytes of the stream;
    // returns how many were delivered, 0 for none just now (the decoder asks
    // again a little later). For a file the decoder reads itself, pBuffer is
    // null: the bytes are not wanted, the call only moves the stream on as the
    // movie plays, and returns how far.
    virtual uint32_t OnFillBuffer(unsigned char* pBuffer, unsigned long nBuffSize);
    // Called on a decoder thread when the movie cannot be read or decoded any
    // further; GetErrorReason says why. True asks the decoder to try again on
    // what follows; false leaves it idle until Close (or, for a file the
    // decoder reads itself, until the stream is moved).
    virtual bool OnDecoderError();
    // For a file the decoder reads itself: the stream's position, called on a
    // decoder thread. 0 by default.
    virtual uint64_t OnGetStreamPosition();

    // Starts the decoder: up to nBuffers pictures are decoded ahead of the
    // screen, and the stream is asked for nReadSize bytes at a time. Nothing is
    // asked for before SelectPIDs. False when already open or the values make no
    // sense.
    bool Open(int nBuffers, int nReadSize);
    bool IsOpen() const;
    // Stops the decoder's threads. The last picture stays in the video plane, so
    // a restart after a seek shows no black flash, and the sound device stays
    // open. Forgets the stream selection and the pause. False when it was not open.
    bool Close();
    // Turns the video plane black and lets go of the sound device and the file:
    // for when playback has really ended. A decoder still open shows its next
    // picture over it.
    void ClearVideo();

    // What the next streams selected are taken from: a program or transport
    // stream is pushed through OnFillBuffer, any other container is read from
    // its file. Kept until the next SetSource; a program stream until then.
    void SetSource(const PallixMPEGFile& file);

    // The streams to play: in a program stream by stream id (an AC-3 or LPCM
    // track by private stream 1, 0xBD, and its substream id), in a transport
    // stream by PID, in another container by its number. 0 selects no stream of
    // that kind. Changing only the audio of a playing decoder switches the sound
    // track where the movie is.
    bool SelectPIDs(bool bProgramStream, int pcrPID, int videoPID, int audioPID, int audioSSID, bool bAC3);
    // The subtitles of the source's subtitle track nIndex, -1 for none. False
    // for an index the source does not have.
    bool SelectSubtitle(int nIndex);

    // Freeze and continue picture and sound. False when not open.
    bool PauseStreaming();
    bool ResumeStreaming();

    // Where the picture goes on the screen (output) and which part of it is
    // shown (scale, in the coordinates of the picture stretched over the whole
    // output resolution). False for an empty rectangle.
    bool SetOutputAndScaleRects(const PallixRect& output, const PallixRect& scale);
    // True: the part shown keeps its display shape inside the output rectangle,
    // with black bars; false: it is stretched over it.
    void SetKeepAspect(bool bKeep);

    // Why the movie could not be read or decoded, in words for the viewer; empty
    // while nothing went wrong since Open.
    std::string GetErrorReason() const;

    // What playback did since the last Open, for measurements and tests.
    uint64_t GetFramesPresented() const { return mFramesPresented.load(); }
    // Pictures skipped because they were due before the one after them.
    uint64_t GetFramesDropped() const { return mFramesDropped.load(); }
    // The largest offset of clock minus picture time when a picture was shown,
    // either way (positive: late).
    int64_t GetMaxAVOffsetUs() const { return mMaxAVOffsetUs.load(); }
    // From Open to the first picture shown, -1 until then.
    int64_t GetFirstFrameDelayUs() const { return mFirstFrameDelayUs.load(); }
    // From Open to the first sound heard, -1 until then.
    int64_t GetFirstSoundDelayUs() const { return mFirstSoundDelayUs.load(); }
    // The movie time of the last picture shown, in microseconds.
    int64_t GetLastPresentedPtsUs() const { return mLastPresentedPtsUs.load(); }
    // Counts the jumps found in the stream's timestamps.
    uint32_t GetDiscontinuities() const { return mDiscontinuities.load(); }
    // The streams being played: the selected audio id and subtitle track.
    int GetSelectedAudio() const;
    int GetSelectedSubtitle() const;

private:
    friend class PallixDecoderSession;
    friend class PallixPresenter;

    struct Selection
    {
        bool bSelected = false;
        int nVideo = 0;
        int nAudio = 0;
        int nAudioSSID = 0;
        int nSubtitle = -1;
    };

    struct Source
    {
        bool bFile = false;
        std::string path;
        // The files the film is kept in, and their bytes and times.
        std::vector<PallixMPEGFile::Part> parts;
        PallixByteTimeMap map;
        // The files as the analysis left them open, to be read on.
        std::shared_ptr<PallixOpenedFilm> opened;
        std::vector<PallixMPEGFile::SubtitleStream> subtitles;
    };

    Selection GetSelection() const;
    Source GetSource() const;
    void GetRects(PallixRect& output, PallixRect& scale, bool& bKeepAspect) const;
    void SetErrorReason(const std::string& reason);
    static std::string DescribePlayback();

    mutable std::mutex mMutex;
    std::unique_ptr<PallixDecoderSession> mSession;
    bool mbOpen = false;
    Selection mSelection;
    Source mSource;
    PallixRect mOutput;
    PallixRect mScale;
    bool mbKeepAspect = false;
    bool mbPaused = false;
    std::string mErrorReason;

    std::atomic<uint64_t> mFramesPresented{0};
    std::atomic<uint64_t> mFramesDropped{0};
    std::atomic<int64_t> mMaxAVOffsetUs{0};
    std::atomic<int64_t> mFirstFrameDelayUs{-1};
    std::atomic<int64_t> mFirstSoundDelayUs{-1};
    std::atomic<int64_t> mLastPresentedPtsUs{0};
    std::atomic<uint32_t> mDiscontinuities{0};
};
