#pragma once

#include "base/blocktext.h"

namespace velumo {

class BlockEdits;
class TickerBlock;

// The block's text for readers outside the ticker: the pending edits flushed, then the lines.
class BlockTextReader final : public BlockText {
public:
    BlockTextReader(TickerBlock& block, BlockEdits& edits) : m_block(block), m_edits(edits) {}

    QStringList wholeText() override;

private:
    TickerBlock& m_block;
    BlockEdits& m_edits;
};

}  // namespace velumo
