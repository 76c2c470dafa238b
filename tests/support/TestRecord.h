#pragma once

#include "TestSupport.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// One title as the database holds it: a "<ul>" block with one "  <li>Key=Value"
// line per field, in the order the fields are given.
//   TestRecord().named("Heat").genre("Crime").path(dir).filename("heat.mpg")
class TestRecord
{
public:
    TestRecord& field(const std::string& key, const std::string& value)
    {
        mFields += "  <li>" + key + "=" + value + "\n";
        return *this;
    }
    TestRecord& title(const std::string& value) { return field("Title", value); }
    TestRecord& originalTitle(const std::string& value) { return field("Original Title", value); }
    // Title and Original Title, the pair most records carry.
    TestRecord& named(const std::string& value) { return title(value).originalTitle(value); }
    TestRecord& genre(const std::string& value) { return field("Genre", value); }
    TestRecord& duration(const std::string& value) { return field("Duration", value); }
    TestRecord& path(const std::string& value) { return field("Path", value); }
    TestRecord& filename(const std::string& value) { return field("Filename", value); }
    TestRecord& imagePath(const std::string& value) { return field("Imagepath", value); }
    TestRecord& description(const std::string& value) { return field("Description", value); }

    // The one title most end-to-end tests play: "Test Card", a drama in folder.
    static TestRecord testCard(const std::string& folder)
    {
        return TestRecord().title("Test Card").genre("Drama").originalTitle("Test Card").path(folder);
    }

    std::string text() const { return "<ul>\n" + mFields + "</ul>\n"; }

private:
    std::string mFields;
};

// A database file's text: the records one after the other, inside the page's
// "<html><body>" lines unless bare.
class TestDatabase
{
public:
    TestDatabase(std::initializer_list<TestRecord> records = {}, bool bBare = false)
        : mRecords(records), mbBare(bBare)
    {
    }
    TestDatabase& add(const TestRecord& record)
    {
        mRecords.push_back(record);
        return *this;
    }

    // Three titles without films in five genres, for the menus and panels: "Harbour
    // Lights" (Drama, Romance), "The Copper Key" (Crime), "Paper Planets" (Animation,
    // Family), each in movies/ under its title.
    static TestDatabase threeTitles()
    {
        TestDatabase database;
        for (const auto& [title, genres] : {std::pair<std::string, std::string>{"Harbour Lights", "Drama, Romance"},
                                            {"The Copper Key", "Crime"},
                                            {"Paper Planets", "Animation, Family"}})
            database.add(TestRecord().title(title).genre(genres).originalTitle(title).path("movies/" + title));
        return database;
    }

    std::string text() const
    {
        std::string text;
        for (const TestRecord& record : mRecords)
            text += record.text();
        return mbBare ? text : "<html><body>\n" + text + "</body></html>\n";
    }
    // Writes the text to name in dir (creating parent folders).
    void write(const TempDir& dir, const std::string& name = "movies.html") const { dir.write(name, text()); }

private:
    std::vector<TestRecord> mRecords;
    bool mbBare;
};
