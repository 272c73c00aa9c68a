// A small blocking FTP client (IPv4, passive mode) that fetches one file into
// memory with progress reports. Failures come back as result codes, callback
// events and one diagnostic line each on the standard streams; nothing throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace oro::updater {

// A connected control or data socket; kInvalidFtpSocket when there is none.
using FtpSocket = std::intptr_t;
constexpr FtpSocket kInvalidFtpSocket = -1;

// One command exchange: the three-digit code (0 when the exchange failed)
// and the whole reply as received, every line of a multi-line reply included.
struct FtpReply {
  std::int32_t code = 0;
  std::string text;
};

// Progress and failure reports: (event, value, the caller's context).
using FtpProgressFn = void (*)(std::uint32_t event, std::int32_t value, void* context);

namespace ftp_event {
constexpr std::uint32_t kOpenFailed = 1;       // value -1
constexpr std::uint32_t kProgress = 2;         // 0..100, or -1 for a failed transfer
constexpr std::uint32_t kSizeFailed = 5;       // value -1
constexpr std::uint32_t kBinaryFailed = 6;     // value -1
constexpr std::uint32_t kPassiveFailed = 8;    // value -1
constexpr std::uint32_t kRetrieveFailed = 10;  // value -1
}  // namespace ftp_event

// Time limits for every socket the client opens. A server that stops
// answering ends the exchange with the time-out error (10060) instead of
// holding the caller forever. Zero or less means no limit.
struct FtpTimeouts {
  int connect_ms = 10000;
  int idle_ms = 30000;  // longest wait for any send or receive to make progress
  // Longest time for one command exchange, the command sent and its whole
  // reply received, however slowly the server hands out the bytes.
  int reply_ms = 30000;
};
void FtpSetTimeouts(const FtpTimeouts& timeouts);
FtpTimeouts FtpGetTimeouts();

// Connects to a dotted IPv4 address (host names are refused).
FtpSocket FtpConnect(const std::string& address, int port);

// Sends the command (unless empty) and reads one complete reply.
FtpReply FtpCommand(FtpSocket socket, const std::string& command);

// USER answered 331, then PASS answered 230.
bool FtpLogin(FtpSocket socket, const std::string& user, const std::string& password);

// TYPE I answered 200.
bool FtpSetBinary(FtpSocket socket);

// SIZE answered 213 with a size; -1 otherwise.
std::int32_t FtpGetSize(FtpSocket socket, const std::string& path);

// Port from a passive-mode reply: the numbers that start the text after the
// fourth and the fifth comma inside the parentheses (later commas change
// nothing), each 0 to 255. Positive, 0 when they are missing or out of
// range, -1 without "(", -2 without ")" after it.
int FtpParsePasvPort(const std::string& text);

// Result codes of FtpRetrieveToMemory.
namespace ftp_retrieve {
constexpr int kOk = 1;
constexpr int kPassiveRefused = -5;
constexpr int kNoPassivePort = -6;
constexpr int kRetrieveRefused = -7;
constexpr int kDataConnectFailed = -8;
constexpr int kReceiveFailed = -9;
constexpr int kFinalReplyBad = -10;
}  // namespace ftp_retrieve

// Fetches `path` into `buffer`, which must hold exactly `size` bytes: a file
// that turns out longer or shorter than that fails with -9. The data
// connection goes to `address`, whatever the passive reply names.
int FtpRetrieveToMemory(FtpSocket socket, const std::string& path, std::uint8_t* buffer, std::size_t size,
                        const std::string& address, FtpProgressFn callback, void* context);

// Result codes of FtpOpenSession and FtpDownloadToMemory.
namespace ftp_result {
constexpr int kOk = 1;
constexpr int kNetworkUnavailable = -1;
constexpr int kNoLocalAddress = -2;
constexpr int kConnectFailed = -3;
constexpr int kBadGreeting = -4;
constexpr int kLoginFailed = -5;
constexpr int kSizeFailed = -6;
constexpr int kBinaryRefused = -7;
constexpr int kTransferFailed = -9;
}  // namespace ftp_result

// Connects, reads the greeting and logs in. `out_socket` is kInvalidFtpSocket
// unless the result is 1.
int FtpOpenSession(const std::string& address, const std::string& user, const std::string& password, int port,
                   FtpSocket& out_socket);

// Sends QUIT, ignores the answer and closes the socket. Always 1.
int FtpQuit(FtpSocket socket);

// Open, SIZE, TYPE I, retrieve, QUIT. On success `out_buffer` holds exactly
// `out_size` bytes; on failure it is empty.
int FtpDownloadToMemory(const std::string& address, const std::string& user, const std::string& password,
                        const std::string& path, std::unique_ptr<std::uint8_t[]>& out_buffer, std::int32_t& out_size,
                        FtpProgressFn callback, void* context, int port);

// A short English description of an FtpDownloadToMemory result, for tools.
const char* FtpResultText(int result);

// What really failed in the last failed step on this thread, in English for
// tools (the connect, a time-out, the server's own reply, ...); empty when
// the last download or session opened without failure.
std::string FtpLastFailure();

}  // namespace oro::updater
