// The connection settings: COM.INI, the remembered port and the fixed line parameters.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

/// Reads and writes COM.INI. The file is looked up in the program directory of the link context
/// as "COM.INI", then "com.ini"; a write goes to the one that exists, else creates "COM.INI".
namespace comIni {
/// The path COM.INI is read from and written to in directory.
std::string path(const std::string& directory);
/// The port number, or -1 when the file is missing or unreadable. Only one digit is read.
int read(const std::string& directory);
/// Parses the text of a COM.INI as read does (-1 when it holds no colon; the one character after
/// the colon and blanks as a decimal digit otherwise).
int parse(const std::string& text);
/// Writes exactly "COM Port Id :%d\n " (the blank after the line end is part of the format).
/// Returns false when the file cannot be written.
bool write(const std::string& directory, int port);
}  // namespace comIni

/// The settings of one connection. Construction reads COM.INI; a read of -1 falls back to the
/// port remembered from the last good read of this process (0 before any).
struct RF_CommunicationSetup {
    RF_CommunicationSetup();
    uint32_t lineRate = 9600;
    int portNumber = 2;
    int parity = 0;
    int dataBits = 8;
    int stopBits = 0;

    /// The process-wide remembered port (0 at program start).
    static int rememberedPort();
    static void forgetRememberedPort();
};

}  // namespace vantrel
