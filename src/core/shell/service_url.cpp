#include "shell/service_url.h"

#include <cstdlib>

#ifndef LUMARI_DEFAULT_SERVICE_URL
#define LUMARI_DEFAULT_SERVICE_URL "http://127.0.0.1:8080"
#endif

namespace lumari::core {

std::string service_base_url() {
  const char* configured = std::getenv(kServiceUrlVariable);
  std::string url =
      configured != nullptr && *configured != '\0' ? configured : LUMARI_DEFAULT_SERVICE_URL;
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url;
}

}  // namespace lumari::core
