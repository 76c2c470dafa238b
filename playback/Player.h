#pragma once

#include "MPEGDecoder.h"
#include "Mutex.h"
#include "PallixByteTimeMap.h"
#include "PallixFileStream.h"
#include "PallixMPEGFile.h"
#include "PallixString.h"
#include "PallixTimer.h"
#include "PallixWormhole.h"
#include "VideoScaler.h"

#include <atomic>
#include <cstdint>

// Plays one movie file: feeds the decoder from the file on request and moves the
// read position for seeks, timed jumps and fast forward and rewind. Positions
// are bytes; seconds become bytes through the file's own bit rate (its size
// over its running time), or, for a file that does not tell its running time,
// a nominal rate chosen by the container type. A file in another container
// than an MPEG program or transport stream is read by the decoder itself, which
// keeps this engine's byte position in step with the time played. The end of
// the movie is announced to the application by a wormhole message.
class Player : public MPEGDecoder, public PallixTimer
{
public:
    static constexpr uint32_t END_OF_MOVIE_MESSAGE = 0xEEEEEEEE;
    // The movie cannot go on (its file went away, or its data cannot be decoded
    // any further); getFailureReason() says why.
    static constexpr uint32_t PLAYBACK_FAILED_MESSAGE = 0xEEEEEEEF;

    Player();
    // The decoder calls back into this object until it is closed.
    ~Player() override;

    // Plays the file from its beginning; true when the decoder is streaming.
    bool startPlaying(const char* pFileName, long durationInSecs);
    void close();
    // Opens the decoder again on the open file, at the current position.
    bool restart();

    VideoScaler& getVideoScaler() { return mVideoScaler; }
    bool getMovieFinished() const { return mbMovieFinished.load(); }
    bool isPaused() const { return mbPaused; }
    uint64_t getFileSize() const { return mFileSize; }
    // Where the most recent read of the decoder ended.
    uint64_t getLastPosition() const { return mLastPos.load(); }
    uint64_t getPosition();

    // Every seek leaves the player streaming, unpaused.
    void seekToPosition(uint64_t position);
    // A relative jump, negative backwards; nothing while paused.
    void jumpSeconds(int sec);
    bool pause();
    bool resume();
    // Seconds of movie per second of wall time; 1 is normal playback.
    void setSeekRate(int secondsPerSecond);
    int64_t getNumBytesInSeconds(int secs);
    // The fraction of the file before the position, 0 to 1.
    double getPercentComplete();
    double getPercentComplete(uint64_t position);
    bool updatePIDs();

    // The file's running time, 0 when it does not tell. A film in several files
    // (a DVD title set, CD1 and CD2) plays as one: its positions run over its
    // parts in order, and its running time is theirs together.
    long getFileDurationInSecs() const { return mFileDurationInSecs; }
    // The film's chapters, in order: where each starts, as a position and in
    // seconds from the film's start. None for a film without chapters.
    int getNumChapters() const;
    uint64_t getChapterPosition(int nChapter) const;
    double getChapterSeconds(int nChapter) const;
    // Seconds from the film's start at a position, by its own bytes and times.
    double getSecondsAt(uint64_t position) const;
    // Why the last start failed, or why playback could not go on, in words for
    // the viewer; empty while nothing went wrong.
    PallixString getFailureReason();

    // Sound tracks and subtitles: the one playing (-1 for no subtitles), how
    // many there are, and a track's description (language, format).
    int getAudioTrack() const { return mAudioTrack; }
    int getNumAudioTracks() const;
    PallixString getAudioTrackName(int track) const;
    // Plays the next sound track, after the last the first; false when there is
    // no other.
    bool nextAudioTrack();
    int getSubtitleTrack() const { return mSubtitleTrack; }
    int getNumSubtitleTracks() const;
    PallixString getSubtitleTrackName(int track) const;
    // Off, then each track in turn, then off again.
    void nextSubtitleTrack();

    uint32_t OnFillBuffer(unsigned char* pBuffer, unsigned long nBuffSize) override;
    bool OnDecoderError() override;
    uint64_t OnGetStreamPosition() override;
    void OnTimer(uint32_t timerID) override;

private:
    bool initForPlay();
    bool openDecoder(bool bFirstTime);
    void startSeekTimer();
    void stopSeekTimer(bool bJumpBack);
    int64_t getSeekingOffset();
    void doTrickPlaySeek();
    void startActivityTimer();
    void stopActivityTimer();
    // Moves the stream by offset bytes; a move back past the start lands on it.
    void moveStream(uint64_t position, int64_t offset);
    void chooseTracks();
    void setFailureReason(const char* reason);

    PallixMPEGFile mMPEGFile;
    PallixFileStream mFileStream;
    PallixString mFilename;
    PallixWormhole mWormhole;
    bool mbPaused;
    Mutex mMutex;
    Mutex mTimerMutex;
    // The stream is read on the decoder's thread and moved on the event loop;
    // this guards single stream operations only and is always taken last.
    Mutex mStreamMutex;
    uint64_t mFileSize;
    uint32_t mBitRate;
    uint32_t mSeekTimer;
    int mSecondsPerSecond;
    long mDurationInSecs;
    uint32_t mActivityTimer;
    VideoScaler mVideoScaler;
    std::atomic<uint64_t> mLastPos;
    std::atomic<bool> mbMovieFinished;
    long mFileDurationInSecs;
    // The film's bytes and times, for its chapters.
    PallixByteTimeMap mTimeMap;
    int mAudioTrack;
    int mSubtitleTrack;
    // Written on the decoder's thread too.
    Mutex mFailureMutex;
    PallixString mFailureReason;

    friend class PlayerTestAccess;
};
