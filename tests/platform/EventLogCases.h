#pragma once

// The runs every log is tried with (the fake, the journal or syslog, the
// Windows event log), with what each carries of them written out.

#include <chrono>

#include "platform/EventLog.h"

namespace sigpatch::testing {

struct EventLogCase {
  const char* name;
  platform::RunRecord record;
  const char* word;      // the result's word, as administrators filter on it
  const char* priority;  // the journal's: 3 an error, 6 information
};

using namespace std::chrono_literals;
using platform::RunResult;
inline const EventLogCase kEventLogCases[] = {
    {"installed, as information",
     {RunResult::Installed, u"sdat4500.exe", u"/srv/updates/", 0, 2345ms,
      u"Installed sdat4500.exe from /srv/updates/", false},
     "installed",
     "6"},
    {"a failed start as an error: a format's marks in the text, a line break in the name",
     {RunResult::Failed, u"sdat4501\n.exe", u"/srv/Mises à jour/", -1, 80ms,
      u"sdat4501.exe could not be started: 100% %s %d %1", true},
     "failed",
     "3"},
    {"nothing newer",
     {RunResult::NothingNewer, u"", u"/u/", 0, 0ms, u"-", false},
     "nothing-newer",
     "6"},
    {"stale", {RunResult::Stale, u"sdat1.exe", u"/u/", 3, 1ms, u"old", false}, "stale", "6"},
};

}  // namespace sigpatch::testing
