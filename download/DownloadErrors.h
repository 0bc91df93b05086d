#pragma once
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

// Replaces each "%s" of the pattern, in order, by the next argument.
std::string FormatMessage(const std::string& pattern, const std::string& first,
                          const std::string& second = "");

}  // namespace download
