// Saved-login records and the procedures that keep them: the login record of the
// login window, loaded into it and saved from it.
#include "account/saved_login.h"

#include "shell/app.h"
#include "shell/data_folder.h"
#include "text/file_io.h"
#include "text/lenient_number.h"
#include "text/line_file.h"

namespace lumari::core {

bool ParseSavedRecord(std::string_view line, SavedRecordFields& fields) {
  if (line.size() <= 1) return false;
  const auto take = [&line](std::string& field) {
    const std::size_t p = line.find(';');
    field = std::string(line.substr(0, p));
    if (p != std::string_view::npos) line.remove_prefix(p + 1);
  };
  take(fields.kind);
  take(fields.flag);
  fields.text = std::string(line);
  return true;
}

MarkedEntry split_marker(std::string_view text) {
  if (text.empty()) return {};
  return {text.substr(0, text.size() - 1), text.substr(text.size() - 1)};
}

std::string login_record(int chklogin, std::string_view text) {
  std::string record(kLoginRecordKind);
  record += ';';
  record += std::to_string(chklogin);
  record += ';';
  record += text;
  return record;
}

int check_value_of(std::string_view flag) {
  return round_half_even(lenient_number(flag)) == 1 ? 1 : 0;
}

// Short records are never taken for a record of any kind, even though the
// session's fields keep the last split's values.
bool App::split_saved_record(std::string_view record) {
  Session& session = session_;
  SavedRecordFields fields{session.recKind, session.recFlag, session.recText};
  const bool split = ParseSavedRecord(record, fields);
  session.recKind = std::move(fields.kind);
  session.recFlag = std::move(fields.flag);
  session.recText = std::move(fields.text);
  return split;
}

void App::LoadSavedLogin() {
  auto& ceklist = session_.main.ceklist;
  ceklist.clear();
  const std::string path = data_file(kSavedLoginFile);
  // No file yet (no login accepted so far) reads as no records. A file that
  // exists but cannot be read is not empty: its records stay in it.
  const auto lines = read_lines(path);
  session_.main.ceklist_unread = !lines && file_exists(path);
  if (lines) {
    for (const auto& line : *lines) {
      if (!line.empty()) ceklist.push_back(line);
    }
  }
  for (const auto& record : ceklist) {
    if (split_saved_record(record) && session_.recKind == kLoginRecordKind) {
      session_.login.controls.txtUser = session_.recText;
      session_.login.controls.chklogin = check_value_of(session_.recFlag);
      break;
    }
  }
}

void App::SaveLoginRecord() {
  const LoginControls& controls = session_.login.controls;
  const std::string text = controls.chklogin != 0 ? controls.txtUser : " ";
  auto& ceklist = session_.main.ceklist;
  // The first login record is replaced by the new one at the end of the list.
  for (auto it = ceklist.begin(); it != ceklist.end(); ++it) {
    if (split_saved_record(*it) && session_.recKind == kLoginRecordKind) {
      ceklist.erase(it);
      break;
    }
  }
  ceklist.push_back(login_record(controls.chklogin, text));
  write_saved_logins();
}

void App::write_saved_logins() {
  const std::string path = data_file(kSavedLoginFile);
  // Records that were not read (or cannot be read now) would be lost by the write.
  if (file_exists(path) && (session_.main.ceklist_unread || !read_file(path))) return;
  // Remembering is a convenience; the login or selection stands without it.
  (void)write_lines(path, session_.main.ceklist);
}

}  // namespace lumari::core
