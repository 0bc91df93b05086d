#pragma once
#include <cstdint>

// The installation's fixed places and the texts the installation run shows.
namespace installer {

// The installation's fixed places.
inline constexpr const char* kEarlierSettings = "c:\\varelo\\Brastel.ini";
inline constexpr const char* kEarlierFolder = "c:\\varelo";
inline constexpr const char* kProductFolder = "c:\\Varelo\\";
inline constexpr const char* kEngineFile = "c:\\Varelo\\ArcaZip190.dll";
inline constexpr const char* kPafFolder = "c:\\VareloPaf\\";
inline constexpr const char* kDatabaseFolder = "c:\\Varelo\\Banco\\";
inline constexpr const char* kUpdaterSettings = "c:\\Varelo\\Ondrel.ini";
inline constexpr const char* kMainSettings = "c:\\Varelo\\Brastel.ini";

inline constexpr const char* kMsgInstalled =
    "Já Existe uma instalação nesse computador, não pode ser instalada novamente";
inline constexpr const char* kMsgNetwork =
    "Para instalação de Estação em Rede, necessário informar o Servidor e Caminho do Banco";
inline constexpr const char* kMsgCloud =
    "Para instalação de Estação nas Núvens, necessário informar o Alias da Empresa";
inline constexpr const char* kMsgDone =
    "Atalho TORNEL foi criado na Área de Trabalho, pode executa-lo";
inline constexpr const char* kEngineName = "ArcaZip190.dll";
// What the workstation's edits take (UTF-16 units), typed or given on the command line.
inline constexpr int kServerMaxLength = 100;
inline constexpr int kPathMaxLength = 200;
inline constexpr int kAliasMaxLength = 100;
// A file kept aside by copying it (a settings file the run changes) is read whole; one larger
// than this is not kept aside, and the run does not change it.
inline constexpr int64_t kMaxCopiedAsideBytes = 256LL * 1024 * 1024;
// The engine library is small; a larger file is no engine.
inline constexpr int64_t kMaxEngineBytes = 64LL * 1024 * 1024;

}  // namespace installer
