#pragma once

namespace velumo {

class ControlServer;
class DialUp;
class FtpExchange;
class Settings;

// The commands "ftp ..." and "dialup ..." and the status members "ftp" and "dialup".
void addNetworkCommands(ControlServer& control, FtpExchange& ftp, DialUp& dialUp,
                        const Settings& settings);

}  // namespace velumo
