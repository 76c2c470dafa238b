#include "MediaEntryFields.h"

#include "MediaEntry.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace
{
using Field = MediaEntryFields::Field;

// A field kept as it was read.
template <PallixString MediaEntry::*M>
void setText(MediaEntry& entry, PallixString value)
{
    entry.*M = std::move(value);
}

template <PallixString MediaEntry::*M>
PallixString getText(MediaEntry& entry)
{
    return entry.*M;
}

template <PallixString MediaEntry::*M>
void takeText(MediaEntry& entry, MediaEntry& other)
{
    if (!(other.*M).IsEmpty())
        entry.*M = other.*M;
}

// A path keeps how much of it is the database's folder, so that it is written
// back as the database gave it.
template <PallixString MediaEntry::*M, uint16_t MediaEntry::*BASE>
PallixString getStoredPath(MediaEntry& entry)
{
    return (entry.*M).Mid(entry.*BASE);
}

template <PallixString MediaEntry::*M, uint16_t MediaEntry::*BASE>
void takePath(MediaEntry& entry, MediaEntry& other)
{
    if ((other.*M).IsEmpty())
        return;
    entry.*M = other.*M;
    entry.*BASE = other.*BASE;
}

template <PallixString MediaEntry::*M>
constexpr Field text(const char* szKey, MediaEntryFields::Read read, MediaEntryFields::Block block,
                     bool bWhenSet = false)
{
    return {szKey, read, block, bWhenSet, setText<M>, getText<M>, takeText<M>};
}

template <PallixString MediaEntry::*M, uint16_t MediaEntry::*BASE, void (MediaEntry::*SET)(PallixString)>
constexpr Field path(const char* szKey, MediaEntryFields::Read read, MediaEntryFields::Block block)
{
    return {szKey, read, block, false, [](MediaEntry& entry, PallixString value) { (entry.*SET)(std::move(value)); },
            getStoredPath<M, BASE>, takePath<M, BASE>};
}

void setMPAA(MediaEntry& entry, PallixString value)
{
    entry.setMPAA(std::move(value));
}

void takeMPAA(MediaEntry& entry, MediaEntry& other)
{
    if (!other.getOriginalMPAA().IsEmpty())
        entry.setMPAA(other.getOriginalMPAA());
}

void takeDuration(MediaEntry& entry, MediaEntry& other)
{
    // "-1" is the unknown duration, which never replaces a known one.
    if (other.getDuration() != "-1" && !other.getDuration().IsEmpty())
        entry.setDuration(other.getDuration());
}

void addFeatureItem(MediaEntry& entry, PallixString value)
{
    entry.addFeatureItem(std::move(value));
}

void takeFeatureItems(MediaEntry& entry, MediaEntry& other)
{
    if (other.getFeatureItems().GetSize() == 0)
        return;
    entry.getFeatureItems().RemoveAll();
    for (FeatureItem& item : other.getFeatureItems())
        entry.getFeatureItems().Append(item);
}
} // namespace

std::span<const MediaEntryFields::Field> MediaEntryFields::all()
{
    using E = MediaEntry;
    // In the order the detail block writes them: the index block's fields first.
    static const Field FIELDS[] = {
        text<&E::mGenre>("Genre", ALWAYS, INDEX),
        text<&E::mYear>("Year", ALWAYS, INDEX),
        {"Duration", FULL_PARSE, INDEX, false, setText<&E::mDuration>, getText<&E::mDuration>, takeDuration},
        // The text as given; the rating and the content codes are derived from it.
        {"MPAA", ALWAYS, INDEX, false, setMPAA, getText<&E::mOriginalMPAA>, takeMPAA},
        text<&E::mOriginalTitle>("Original Title", ALWAYS, INDEX),
        path<&E::mPath, &E::mPathBase, &E::setPath>("Path", ALWAYS, INDEX),
        path<&E::mImagePath, &E::mImagePathBase, &E::setImagePath>("Imagepath", ALWAYS, INDEX),
        text<&E::mFilename>("Filename", ALWAYS, INDEX),
        // Recently added titles are browsed, so the day comes in every parse.
        text<&E::mAdded>("Added", ALWAYS, INDEX, true),
        text<&E::mTitle>("Title", FULL_PARSE, DETAIL),
        text<&E::mDirector>("Director", FULL_PARSE, DETAIL),
        text<&E::mActors>("Actors", FULL_PARSE, DETAIL),
        text<&E::mResolution>("Resolution", FULL_PARSE, DETAIL),
        text<&E::mMediaType>("Media", FULL_PARSE, DETAIL),
        text<&E::mAspectRatio>("Aspect", FULL_PARSE, DETAIL),
        text<&E::mDescription>("Description", FULL_PARSE, DETAIL),
        path<&E::mLargeImagePath, &E::mLargeImagePathBase, &E::setLargeImagePath>("LargeImagepath", FULL_PARSE,
                                                                                   DETAIL),
        // The index has no room for these, so the detail file carries them.
        text<&E::mNum>("Num", ALWAYS, DETAIL, true),
        text<&E::mEdition>("Edition", FULL_PARSE, DETAIL, true),
        text<&E::mFilmId>("Film ID", FULL_PARSE, DETAIL, true),
        text<&E::mOtherTitle>("Other Title", FULL_PARSE, DETAIL, true),
        // "FeatureItem1", "FeatureItem2", "FeatureItemTrailer": each line adds one item.
        {"FeatureItem", FULL_PARSE, FEATURE_ITEMS, false, addFeatureItem, nullptr, takeFeatureItems},
    };
    return FIELDS;
}

const MediaEntryFields::Field* MediaEntryFields::find(const char* szKey)
{
    // Every line of the database comes here at start-up: the first letter
    // rules out most rows before any comparison.
    for (const Field& field : all())
    {
        if (field.szKey[0] != szKey[0])
            continue;
        if (field.block == FEATURE_ITEMS ? std::strncmp(szKey, field.szKey, std::strlen(field.szKey)) == 0
                                         : std::strcmp(szKey, field.szKey) == 0)
            return &field;
    }
    return nullptr;
}

void MediaEntryFields::writeFields(MediaEntry& entry, std::ostream& out, bool bDetail)
{
    out << "<ul>\n";
    for (const Field& field : all())
    {
        if (field.block != INDEX && !bDetail)
            continue;
        if (field.block == FEATURE_ITEMS)
        {
            PallixNewArray<FeatureItem>& items = entry.getFeatureItems();
            for (int i = 0; i < items.GetSize(); ++i)
                out << "  <li>" << field.szKey << (i + 1) << "=" << items[i].getText() << "," << items[i].getPath()
                    << "\n";
            continue;
        }
        PallixString value = field.get(entry);
        if (field.bWhenSet && value.IsEmpty())
            continue;
        out << "  <li>" << field.szKey << "=" << value << "\n";
    }
    out << "</ul>\n";
}

void MediaEntryFields::writeIndex(MediaEntry& entry, std::ostream& out)
{
    writeFields(entry, out, false);
}

void MediaEntryFields::writeDetail(MediaEntry& entry, std::ostream& out)
{
    writeFields(entry, out, true);
}

void MediaEntryFields::overlay(MediaEntry& entry, MediaEntry& other)
{
    for (const Field& field : all())
        field.take(entry, other);
}
