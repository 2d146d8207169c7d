#pragma once

#include <QStringList>

namespace velumo {

// The ticker's text as a room outside the ticker reads it whole (the FTP upload's web page): the
// block's text lines, the operator's edits still held by the text page taken in first.
class BlockText {
public:
    virtual ~BlockText() = default;
    virtual QStringList wholeText() = 0;
};

}  // namespace velumo
