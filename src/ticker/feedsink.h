#pragma once

#include <QString>
#include <QStringList>

namespace velumo {

// The block as a news feed writes into it. The feed's lines are those whose second character is
// "_"; each read replaces them all and leaves the block's own lines where they are.
class FeedSink {
public:
    virtual ~FeedSink() = default;
    // How many of the block's text lines are the feed's.
    virtual qsizetype feedLineCount() const = 0;
    // Whether one of the block's text lines is exactly this one.
    virtual bool holdsLine(const QString& line) const = 0;
    // Drops the feed's lines, appends these (tariff and index "0") and updates the counters.
    virtual void replaceFeedLines(const QStringList& lines) = 0;
};

}  // namespace velumo
