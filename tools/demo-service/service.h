// The service's three requests and their answers: login, system selection and
// the order stream, with the session rules that force a logout. Every call is
// serialised by one lock; none of them blocks.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>

#include "accounts.h"
#include "order_stream.h"
#include "sent_log.h"

namespace lumari::demo {

inline constexpr char kIdleAnswer[] = "\r\nXXX";
inline constexpr char kForcedLogoutAnswer[] = "\r\nYYY";
inline constexpr char kRefusalAnswer[] = "0;";
inline constexpr char kSelectionAnswer[] = "OK";

/// Whether a request takes effect or only shows the answer it would get.
enum class Effect {
  kDeliver,  ///< a good answer: sessions, stream, cursors and the sent log move on
  kPreview,  ///< a faulted answer: nothing changes; orders also carry every open order
};

/// What the service shapes for a run.
struct ServiceSettings {
  StreamSettings stream;
  bool repeat = false;  ///< order answers repeat every open order
};

/// A body and a few words for the request log.
struct Answer {
  std::string body;
  std::string note;
};

class DemoService {
 public:
  DemoService(std::vector<Account> accounts, const ServiceSettings& settings, SentLog sent_log);

  /// "userid;id;name;..." for a known e-mail address with its password, else "0;".
  [[nodiscard]] Answer login(const std::string& email, const std::string& password, Effect effect);

  /// "OK" after recording the machine's choice, else "0;".
  [[nodiscard]] Answer select_system(const std::string& email, const std::string& password,
                                     const std::string& systemid, const std::string& loginid,
                                     Effect effect);

  /// Idle, forced logout, or the lines that changed since this client's last
  /// order answer.
  [[nodiscard]] Answer orders(const std::string& systemid, const std::string& userid,
                              const std::string& loginid, Effect effect);

  /// The sent lines of one system (or of all), CR LF after each.
  [[nodiscard]] std::string sent_text(const std::optional<std::string>& systemid) const;

  /// Sessions and choices of every account, CR LF after each line.
  [[nodiscard]] std::string state_text() const;

 private:
  using ClientKey = std::tuple<std::string, std::string, std::string>;  // userid, loginid, systemid

  mutable std::mutex mutex_;
  AccountBook book_;
  bool repeat_;
  SentLog sent_log_;
  std::map<std::string, OrderStream> streams_;    // one per system id of any account
  std::map<ClientKey, std::uint64_t> delivered_;  // last event each client was sent
};

/// "\r\n" then each line followed by ";", lines separated by LF.
[[nodiscard]] std::string order_answer(const std::vector<std::string>& lines);

}  // namespace lumari::demo
