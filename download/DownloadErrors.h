#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

// The failures of the download component: exceptions carrying a Portuguese message.
namespace download {

class EVsDownload : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The message texts, with "%s" where a path goes.
inline constexpr const char* kMsgNoProtocol =
    "Antes de iniciar o download, defina o protocolo a ser usado HTTP ou FTP!";
inline constexpr const char* kMsgWrongOwner = "Essa Classe deve ser instanciada por TVsDownload";
inline constexpr const char* kMsgNoFileName = "Favor informar o nome do arquivo para download!";
inline constexpr const char* kMsgCannotDelete = "Não foi possível excluir o arquivo: %s";
inline constexpr const char* kMsgCannotRename = "Não foi possível renomear o arquivo: %s para %s";
inline constexpr const char* kMsgFtpLogin = "Não foi possível efetuar o login!";
inline constexpr const char* kMsgFtpNoFile = "File To Save not found";

// Why a close report left the partial file unfinished, besides the socket's own error codes
// (10054 a reset or a body cut short, 10060 a timeout, 10053 a stop): the session's
// LastError. The file keeps what it received and stays under its partial name.
// A 206 answer to a request that asked for no range.
inline constexpr int32_t kErrorUnaskedRange = 30001;
// A 206 answer whose Content-Range is missing, broken or starts elsewhere than asked.
inline constexpr int32_t kErrorRangeMismatch = 30002;
// More bytes than the answer's Content-Range holds (the rest is not written).
inline constexpr int32_t kErrorPastRange = 30003;
// Fewer bytes than the answer announced (its Content-Range, or the server's file size).
inline constexpr int32_t kErrorBodyShort = 30004;
// A range that ends before the end of the file.
inline constexpr int32_t kErrorRangeShort = 30005;
// Too little free space on the partial file's drive: for the length the answer declared
// (nothing of it written), or the disk filled while the file was written (what was written
// stays, for a later continuation). RoomNeeded and RoomFree say how much.
inline constexpr int32_t kErrorNoRoom = 30006;

// Replaces each "%s" of the pattern, in order, by the next argument.
std::string FormatMessage(const std::string& pattern, const std::string& first,
                          const std::string& second = "");

}  // namespace download
