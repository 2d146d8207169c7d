#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace velumo {

// What a feed document offers the ticker: the rss element and its version, the channel's last
// build date and the first child text of every item, found with the "//" selections (anywhere
// in the document). Entity declarations are never expanded.
struct RssDocument {
    bool parsed = false;  // a well-formed XML document
    QString error;        // why it is not
    bool hasRss = false;
    bool hasVersion = false;
    QString version;
    bool hasChannel = false;
    bool hasLastBuildDate = false;
    QString lastBuildDate;
    QStringList items;          // items that have a child, in document order
    int itemsWithoutChild = 0;  // items left out

    // Neither rss, channel, date nor items: nothing the ticker could use.
    bool isEmptyOfFeed() const
    {
        return !hasRss && !hasChannel && !hasLastBuildDate && items.isEmpty() &&
               itemsWithoutChild == 0;
    }
};

// The document as UTF-8, converted from the encoding its byte-order mark or declaration names
// (UTF-8 when none). Empty with error set when the encoding is unknown.
QByteArray xmlToUtf8(const QByteArray& raw, QString* error);

// Parses a fetched document and makes the selections.
RssDocument readRssDocument(const QByteArray& raw);

}  // namespace velumo
