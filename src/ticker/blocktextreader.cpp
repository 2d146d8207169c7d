#include "blocktextreader.h"

#include "ticker/blockedits.h"
#include "ticker/tickerblock.h"

namespace velumo {

QStringList BlockTextReader::wholeText()
{
    m_edits.flushEdits();
    return m_block.text();
}

}  // namespace velumo
