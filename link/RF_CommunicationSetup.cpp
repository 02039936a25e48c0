// COM.INI and the settings of one connection.
#include "link/RF_CommunicationSetup.h"

#include <unistd.h>

#include <cstdio>

#include "link/LinkContext.h"
#include "link/regularFile.h"

namespace vantrel {

namespace {
constexpr size_t kComIniReadLimit = 2000;
int g_rememberedPort = 0;

bool exists(const std::string& p) {
    return ::access(p.c_str(), F_OK) == 0;
}
}  // namespace

namespace comIni {

std::string path(const std::string& directory) {
    std::string dir = directory.empty() ? "." : directory;
    std::string upper = dir + "/COM.INI";
    std::string lower = dir + "/com.ini";
    if (exists(upper))
        return upper;
    if (exists(lower))
        return lower;
    return upper;
}

int parse(const std::string& text) {
    size_t colon = text.find(':');
    if (colon == std::string::npos)
        return -1;
    size_t i = colon + 1;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i >= text.size() || text[i] == '\n' || text[i] == '\r')
        return -1;
    char c = text[i];
    // One character as a decimal number: a non-digit gives no port.
    if (c < '0' || c > '9')
        return -1;
    return c - '0';
}

int read(const std::string& directory) {
    // A FIFO or device named COM.INI gives no port instead of hanging every command.
    const RegularFileText file = readRegularFile(path(directory), kComIniReadLimit, true);
    return file ? parse(file.text) : -1;
}

bool write(const std::string& directory, int port) {
    std::FILE* f = std::fopen(path(directory).c_str(), "w+");
    if (!f)
        return false;
    int n = std::fprintf(f, "COM Port Id :%d\n ", port);
    bool ok = n > 0;
    if (std::fclose(f) != 0)
        ok = false;
    return ok;
}

}  // namespace comIni

RF_CommunicationSetup::RF_CommunicationSetup() {
    int port = comIni::read(linkContext().programDirectory);
    if (port != -1) {
        g_rememberedPort = port;
        portNumber = port;
    } else {
        portNumber = g_rememberedPort;
    }
}

int RF_CommunicationSetup::rememberedPort() {
    return g_rememberedPort;
}
void RF_CommunicationSetup::forgetRememberedPort() {
    g_rememberedPort = 0;
}

}  // namespace vantrel
