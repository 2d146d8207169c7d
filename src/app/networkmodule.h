#pragma once

#include <memory>

#include "app/services.h"

namespace velumo {

class BlockEdits;
class BlockTextReader;
class DialUp;
class FtpExchange;
class NetworkPages;
class TickerBlock;

// Network exchange: FTP receive and transmit with their pages, dial-up lines, and their control
// commands.
class NetworkModule {
public:
    NetworkModule(const Services& services, TickerBlock& block, BlockEdits& edits);
    ~NetworkModule();

    // Start-up: automatic FTP runs with their stored periods.
    void armTimers();

private:
    const Services& m_services;
    std::unique_ptr<BlockTextReader> m_blockText;
    std::unique_ptr<DialUp> m_dialUp;
    std::unique_ptr<FtpExchange> m_ftp;
    NetworkPages* m_pages = nullptr;
};

}  // namespace velumo
