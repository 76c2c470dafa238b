#include "RecordAssembler.h"

#include "DatabaseValue.h"
#include "FolderWalker.h"
#include "MediaEntry.h"

namespace
{
// The dash between a title and its episode or extra.
const char* const TITLE_DASH = " \xE2\x80\x93 ";

PallixString firstOf(const PallixString& preferred, const PallixString& fallback)
{
    return preferred.IsEmpty() ? fallback : preferred;
}
} // namespace

const char* RecordAssembler::EPISODES_GENRE = "Episodes";
const char* RecordAssembler::EXTRAS_GENRE = "Extras";

void RecordAssembler::reserveTitle(const PallixString& title)
{
    mTitles.insert(title.str());
}

PallixString RecordAssembler::takeUniqueTitle(const PallixString& title)
{
    PallixString unique = title;
    for (int n = 2; mTitles.count(unique.str()) > 0; ++n)
        unique = title + " (" + PallixString(std::to_string(n)) + ")";
    mTitles.insert(unique.str());
    return unique;
}

NameParser::TitleName RecordAssembler::nameOf(const TitleFolder& title)
{
    NameParser::TitleName name;
    if (title.kind == TitleFolder::SERIES)
    {
        // A show's name is already read from its folder or its episodes.
        name.title = title.name;
        name.year = title.year;
        return name;
    }
    name = NameParser::parseTitleName(title.name);
    if (title.otherName.IsEmpty())
        return name;
    // "Heat/Heat.1995.Directors.Cut.1080p.mkv": the file's name may say more than its folder's.
    NameParser::TitleName other = NameParser::parseTitleName(title.otherName);
    name.year = firstOf(name.year, other.year);
    name.edition = firstOf(name.edition, other.edition);
    name.otherTitle = firstOf(name.otherTitle, other.otherTitle);
    name.filmId = firstOf(name.filmId, other.filmId);
    return name;
}

std::unique_ptr<MediaEntry> RecordAssembler::buildMain(TitleScan& scan)
{
    TitleFolder& title = scan.getTitle();
    TitleScan::ItemScan& item = scan.getItems()[0];
    NfoFile& nfo = item.nfo;
    NameParser::TitleName name = nameOf(title);
    auto pEntry = std::make_unique<MediaEntry>();
    PallixString shownTitle =
        DatabaseValue::makeSafe(firstOf(item.bHasNfo ? nfo.getTitle() : PallixString(), name.title).str(),
                                DatabaseValue::MAX_TITLE_BYTES);
    if (shownTitle.IsEmpty())
        shownTitle = DatabaseValue::makeSafe(title.name.str(), DatabaseValue::MAX_TITLE_BYTES);
    mTitles.insert(shownTitle.str());
    pEntry->setTitle(shownTitle);
    if (item.bHasNfo)
    {
        PallixString original = DatabaseValue::makeSafe(nfo.getOriginalTitle().str(), DatabaseValue::MAX_TITLE_BYTES);
        pEntry->setOriginalTitle(firstOf(original, shownTitle));
        pEntry->setYear(DatabaseValue::makeSafe(firstOf(nfo.getYear(), name.year).str()));
        pEntry->setGenre(DatabaseValue::makeSafe(nfo.getGenre().str()));
        pEntry->setDirector(DatabaseValue::makeSafe(nfo.getDirector().str()));
        pEntry->setActors(DatabaseValue::makeSafe(nfo.getActors().str()));
        pEntry->setDescription(DatabaseValue::makeSafe(nfo.getPlot().str()));
        pEntry->setMPAA(DatabaseValue::makeSafe(nfo.getMPAA().str()));
    }
    else
    {
        pEntry->setOriginalTitle(shownTitle);
        pEntry->setYear(name.year);
    }
    pEntry->setEdition(DatabaseValue::makeSafe(name.edition.str()));
    pEntry->setFilmId(DatabaseValue::makeSafe(firstOf(item.bHasNfo ? nfo.getFilmId() : PallixString(), name.filmId).str()));
    if (NameParser::comparable(name.otherTitle.str()) != NameParser::comparable(shownTitle.str()))
        pEntry->setOtherTitle(DatabaseValue::makeSafe(name.otherTitle.str(), DatabaseValue::MAX_TITLE_BYTES));
    item.record.applyTo(pEntry.get());
    if (pEntry->getDuration() == "-1" && item.bHasNfo && nfo.getRuntime() > 0)
        pEntry->setDuration(ProbedValues::formatDuration(nfo.getRuntime() * 60.0));
    pEntry->setPath(scan.getRecordPath(0));
    pEntry->setFilename(scan.getRecordFilename(0));
    pEntry->setImagePath(scan.getImage());
    pEntry->setLargeImagePath(scan.getLargeImage());
    return pEntry;
}

std::unique_ptr<MediaEntry> RecordAssembler::buildChild(TitleScan& scan, size_t nItem, MediaEntry* pParent,
                                                        const PallixString& parentMPAA, PallixString& label)
{
    const TitleFolder::Item& folderItem = scan.getTitle().items[nItem];
    TitleScan::ItemScan& item = scan.getItems()[nItem];
    NfoFile& nfo = item.nfo;
    const bool bEpisode = folderItem.role == TitleFolder::EPISODE;

    // An episode's own .nfo names the episode; an extra's names the extra.
    label = folderItem.label;
    if (item.bHasNfo && !nfo.getTitle().IsEmpty())
        label = bEpisode ? folderItem.mark.label + " " + nfo.getTitle() : nfo.getTitle();
    label = DatabaseValue::makeCommaFree(label.str());
    if (label.IsEmpty())
        label = DatabaseValue::makeCommaFree(folderItem.file.str());

    auto pEntry = std::make_unique<MediaEntry>();
    PallixString childTitle =
        takeUniqueTitle(DatabaseValue::makeCommaFree((pParent->getTitle() + TITLE_DASH + label).str(),
                                                     2 * DatabaseValue::MAX_TITLE_BYTES));
    pEntry->setTitle(childTitle);
    pEntry->setOriginalTitle(childTitle);
    pEntry->setGenre(bEpisode ? EPISODES_GENRE : EXTRAS_GENRE);

    auto own = [&](PallixString& value) { return item.bHasNfo ? DatabaseValue::makeSafe(value.str()) : PallixString(); };
    pEntry->setYear(firstOf(own(nfo.getYear()), pParent->getYear()));
    pEntry->setDirector(firstOf(own(nfo.getDirector()), pParent->getDirector()));
    pEntry->setActors(firstOf(own(nfo.getActors()), pParent->getActors()));
    pEntry->setDescription(firstOf(own(nfo.getPlot()), pParent->getDescription()));
    pEntry->setMPAA(firstOf(own(nfo.getMPAA()), parentMPAA));
    pEntry->setFilmId(own(nfo.getFilmId()));
    item.record.applyTo(pEntry.get());
    pEntry->setPath(scan.getRecordPath(nItem));
    pEntry->setFilename(scan.getRecordFilename(nItem));
    pEntry->setImagePath(pParent->getImagePath());
    pEntry->setLargeImagePath(pParent->getLargeImagePath());

    return pEntry;
}
