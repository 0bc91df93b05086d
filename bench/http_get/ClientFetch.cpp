#include "bench/http_get/ClientFetch.h"

#include "bench/common/GatheringFileStream.h"
#include "net/HTTPClient.h"

namespace bench {

bool FetchWithClient(const std::string& url, const std::string& target, int64_t& bytes) {
  TGatheringFileStream out;
  if (!out.Open(target))
    return false;
  net::THTTPClient client;
  client.SetOutputStream(&out);
  const bool ok =
      client.HTTPMethod("GET", url) && client.ResultCode() == 200 && client.BodyComplete();
  bytes = out.Size();
  return out.Close() && ok;
}

}  // namespace bench
