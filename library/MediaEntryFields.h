#pragma once

#include "PallixString.h"

#include <ostream>
#include <span>

class MediaEntry;

// The database's fields, one row each (MediaEntryFields.cpp): the key of its
// "<li>Key=Value" line, when the reader stores it, where the writers put it,
// and how it is set, read and taken over from another record. The reader, the
// index and detail blocks the export and the scanner write and the merge of a
// detail file all go through this one table, so a new field is one more row.
class MediaEntryFields
{
public:
    enum Read
    {
        // Stored by every parse: what browsing the library needs.
        ALWAYS,
        // Stored only by a full parse: what the detail views need.
        FULL_PARSE,
    };

    enum Block
    {
        // Written in the index block and, first, in the detail block.
        INDEX,
        // Written in the detail block, after the index fields.
        DETAIL,
        // The feature items: one numbered line each ("FeatureItem1=..."), after
        // every other field; any key that begins with the row's key adds one.
        FEATURE_ITEMS,
    };

    struct Field
    {
        const char* szKey;
        Read read;
        Block block;
        // Written only when it holds something.
        bool bWhenSet;
        void (*set)(MediaEntry& entry, PallixString value);
        // The text as the database holds it.
        PallixString (*get)(MediaEntry& entry);
        // Takes what other holds in place of what entry holds; what other lacks is kept.
        void (*take)(MediaEntry& entry, MediaEntry& other);
    };

    // Every row, in the order the detail block writes them.
    static std::span<const Field> all();
    // The row of one "<li>" line's key; null when it is unknown.
    static const Field* find(const char* szKey);

    // "<ul>", the fields of the block, "</ul>", each line ended by a line feed.
    static void writeIndex(MediaEntry& entry, std::ostream& out);
    static void writeDetail(MediaEntry& entry, std::ostream& out);
    // Every field that other holds replaces entry's own.
    static void overlay(MediaEntry& entry, MediaEntry& other);

private:
    static void writeFields(MediaEntry& entry, std::ostream& out, bool bDetail);
};
