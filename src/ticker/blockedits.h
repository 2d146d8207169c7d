#pragma once

namespace velumo {

// Edits of the block lists that the text page still holds: whoever reads the block as a whole
// (an upload, a feed that replaces lines, a save) takes them in first.
class BlockEdits {
public:
    virtual ~BlockEdits() = default;
    virtual void flushEdits() = 0;
};

}  // namespace velumo
