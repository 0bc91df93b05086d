#include "net/SocketOptionQueue.h"

namespace net {

std::vector<TTramaOption> TSocketOptionQueue::TakeAll() {
  std::vector<TTramaOption> taken;
  taken.swap(options_);
  return taken;
}

void ApplySocketOption(platform::TSocketHandle socket, bool ip6, const TTramaOption& option) {
  using namespace platform;
  const int32_t enabled = option.Enabled ? 1 : 0;
  const int ipLevel = ip6 ? kIpProtoIpv6 : kIpProtoIp;
  switch (option.Option) {
    case SOT_Linger: {
      TLinger linger;
      linger.l_onoff = option.Enabled ? 1 : 0;
      linger.l_linger = static_cast<uint16_t>(option.Value / 1000);
      SockSetOpt(socket, kSolSocket, kSoLinger, &linger, sizeof(linger));
      break;
    }
    case SOT_RecvBuff:
      SockSetOpt(socket, kSolSocket, kSoRcvBuf, &option.Value, sizeof(int32_t));
      break;
    case SOT_SendBuff:
      SockSetOpt(socket, kSolSocket, kSoSndBuf, &option.Value, sizeof(int32_t));
      break;
    case SOT_NonBlock:
      SockSetNonBlocking(socket, option.Enabled);
      break;
    case SOT_RecvTimeout:
      SockSetOpt(socket, kSolSocket, kSoRcvTimeo, &option.Value, sizeof(int32_t));
      break;
    case SOT_SendTimeout:
      SockSetOpt(socket, kSolSocket, kSoSndTimeo, &option.Value, sizeof(int32_t));
      break;
    case SOT_Reuse:
      SockSetOpt(socket, kSolSocket, kSoReuseAddr, &enabled, sizeof(int32_t));
      break;
    case SOT_TTL:
      SockSetOpt(socket, ipLevel, ip6 ? kIpv6UnicastHops : kIpTtl, &option.Value, sizeof(int32_t));
      break;
    case SOT_Broadcast:
      SockSetOpt(socket, kSolSocket, kSoBroadcast, &enabled, sizeof(int32_t));
      break;
    case SOT_MulticastTTL:
      SockSetOpt(socket, ipLevel, kIpMulticastTtl, &option.Value, sizeof(int32_t));
      break;
    case SOT_MulticastLoop:
      SockSetOpt(socket, ipLevel, kIpMulticastLoop, &enabled, sizeof(int32_t));
      break;
  }
}

}  // namespace net
