#include "engine/job_check.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <set>

#include "engine/dispatch.h"
#include "engine/job_file.h"
#include "engine/job_schema.h"
#include "engine/log_text.h"
#include "engine/password_mask.h"

namespace kelvax {

namespace {

constexpr const char* kCommentHint =
    "; a ';' inside a value is part of it: put comments on lines of their own";

std::string Upper(const std::string& s) { return UpperCase(s); }

// The task number of a section named CONNECTION and two digits (the only names a run reads),
// or -1.
int TaskNumberOf(const std::string& section) {
  const std::string upper = Upper(section);
  const std::string prefix = "CONNECTION";
  if (upper.size() != prefix.size() + 2 || upper.compare(0, prefix.size(), prefix) != 0) return -1;
  const char tens = upper[prefix.size()], ones = upper[prefix.size() + 1];
  if (tens < '0' || tens > '9' || ones < '0' || ones > '9') return -1;
  return (tens - '0') * 10 + (ones - '0');
}

bool IsKnownKey(const std::string& key) {
  const std::string upper = Upper(key);
  return std::any_of(std::begin(kJobKeys), std::end(kJobKeys),
                     [&](const JobKeyInfo& k) { return upper == k.name; });
}

std::string Task(int i) { return "task " + std::to_string(i) + ": "; }

void CheckFileLayout(const IniFile& file, int n, std::vector<JobWarning>& out) {
  const auto& names = file.SectionNames();
  std::map<std::string, int> first_line;  // section NUL key -> line of the value the run uses
  for (const IniKey& k : file.Keys()) {
    const int task = TaskNumberOf(k.section);
    if (task < 0) continue;  // the section itself is warned about
    if (!IsKnownKey(k.key)) {
      out.push_back({k.line, "unknown key " + k.key + " in [" + k.section +
                                 "], ignored; the keys are " + JobKeyList()});
      continue;
    }
    if (k.cut_at_nul) {
      out.push_back({k.line, Upper(k.key) + " in [" + k.section +
                                 "] holds a NUL byte: the value is cut there"});
    }
    const auto [it, added] = first_line.emplace(Upper(k.section) + '\0' + Upper(k.key), k.line);
    if (!added) {
      out.push_back({k.line, Upper(k.key) + " given again in [" + k.section + "], ignored; line " +
                                 std::to_string(it->second) + " is used"});
    }
  }
  for (const IniStrayLine& s : file.StrayLines()) {
    const std::string where =
        s.section.empty() ? "before the first section" : "in [" + s.section + "]";
    out.push_back(
        {s.line, "line " + where + " is not key=value, ignored: " + MaskPassword(s.text)});
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const JobWarning& a, const JobWarning& b) { return a.line < b.line; });
  const std::string last = names.empty() ? std::string() : names.back();
  for (size_t i = 0; i + 1 < names.size(); ++i) {
    const int task = TaskNumberOf(names[i]);
    if (task < 0) {
      out.push_back({0, "section [" + names[i] +
                            "] is not a task (tasks are CONNECTION01 .. CONNECTION99), ignored"});
    } else if (task < 1 || task > n) {
      out.push_back({0, "section [" + names[i] + "] is never run: the task count is " +
                            std::to_string(n) + ", read from the last section's name [" + last +
                            "]"});
    }
  }
  if (!names.empty() && n <= 0) {
    out.push_back({0,
                   "no tasks: the task count is read from the last two characters of the last "
                   "section's name, and the last section is [" +
                       last + "]; put other sections before the tasks"});
  }
}

void CheckSwitch(int i, const char* key, const std::string& value, std::vector<JobWarning>& out) {
  if (value.empty() || value == kSwitchOn || value == kSwitchOff) return;
  std::string text = Task(i) + key + "=" + value + " is neither ON nor OFF and counts as OFF";
  if (value.find(';') != std::string::npos) text += kCommentHint;
  out.push_back({0, text});
}

void CheckTaskValues(int i, const JobTask& t, std::vector<JobWarning>& out) {
  const Route route = RouteOf(t);
  if (route == Route::kOutput && OutputKindOf(t.OUTPUT) == OutputKind::kUnknown) {
    std::string text = Task(i) + "OUTPUT=" + t.OUTPUT + " is not an output kind (" +
                       OutputWordList(" ") + "); the task will fail";
    if (t.OUTPUT == "CLIP") text += "; the clipboard is CRIP in job files";
    if (t.OUTPUT.find(';') != std::string::npos) text += kCommentHint;
    out.push_back({0, text});
  }
  if (route == Route::kUnsupported) {
    out.push_back({0, Task(i) + "OUTPUT=UPDATE is not supported: the task runs nothing"});
  }
  if (OutputEncodingOf(t.ENCODING) == OutputEncoding::kUnknown) {
    out.push_back({0, Task(i) + "ENCODING=" + t.ENCODING + " is not an encoding (" +
                          OutputEncodingList(" ") + "); the task will fail"});
  }
  CheckSwitch(i, "INDICATOR", t.INDICATOR, out);
  CheckSwitch(i, "SHOWDATA", t.SHOWDATA, out);
}

}  // namespace

JobCheck CheckJob(const IniFile& file, const std::tm& day, const MacroFolders& folders) {
  JobCheck check;
  if (!GetIniList(file, check.task_count).ok()) {
    check.warnings.push_back({0, "no sections: the job file has no tasks and the run fails"});
    return check;
  }
  const int n = check.task_count;
  CheckFileLayout(file, n, check.warnings);
  std::set<std::string> present;
  for (const std::string& name : file.SectionNames()) present.insert(Upper(name));
  for (int i = 1; i <= n; ++i) {
    JobTask task;
    ReadJobTask(file, i, task);
    if (task.DSN01.empty()) {
      std::string never;
      if (i + 1 == n) never = " (task " + std::to_string(n) + " never runs)";
      if (i + 1 < n)
        never = " (tasks " + std::to_string(i + 1) + " .. " + std::to_string(n) + " never run)";
      const std::string why = present.count(task.SectionName)
                                  ? "[" + task.SectionName + "] has no DSN01"
                                  : "there is no section [" + task.SectionName + "]";
      check.warnings.push_back({0, Task(i) + why + ": the run stops here" + never});
      break;
    }
    PrepareRowCount(task);
    ExpandMacros(task, day, folders);
    CheckTaskValues(i, task, check.warnings);
    check.tasks.push_back(std::move(task));
  }
  return check;
}

}  // namespace kelvax
