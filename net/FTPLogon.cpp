#include "net/FTPLogon.h"

#include <cstddef>

namespace net {
namespace {

// Mode by mode; steps not listed are zero.
constexpr std::array<TLogonActions, 9> kLogonTables{{
    {0, 255, 3, 1, 255, 6, 2, 255, 254},
    {3, 6, 3, 4, 6, 254, 5, 254, 9, 0, 255, 12, 1, 255, 15, 2, 255, 254},
    {3, 6, 3, 4, 6, 254, 6, 255, 9, 1, 255, 12, 2, 255, 254},
    {3, 6, 3, 4, 6, 254, 0, 255, 9, 1, 255, 12, 2, 255, 254},
    {7, 3, 3, 0, 255, 6, 1, 255, 9, 2, 255, 254},
    {6, 255, 3, 1, 255, 6, 2, 255, 254},
    {8, 6, 3, 4, 6, 254, 0, 255, 9, 1, 255, 12, 2, 255, 254},
    {9, 254, 3, 1, 255, 6, 2, 255, 254},
    {10, 255, 3, 11, 255, 6, 2, 255, 254},
}};

}  // namespace

const TLogonActions& LogonTable(int32_t mode, const TLogonActions& custom) {
  if (mode == -1)
    return custom;
  if (mode < 1 || mode > 8)
    return kLogonTables[0];
  return kLogonTables[static_cast<std::size_t>(mode)];
}

}  // namespace net
