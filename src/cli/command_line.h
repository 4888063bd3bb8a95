// What melkoctl and melkoctl-mouse share in reading a command line and getting ready to run it.
#pragma once

#include <functional>
#include <string>

#include "cli/session.h"

namespace melko::cli {

// The command-line options; the keyboard layout named by --layout goes to layout_name. Options
// a command takes for itself (--wait, --seconds, ...) stay among the words.
Options ParseOptions(int argc, char** argv, std::string& layout_name);

// The texts of the skin's language file, or their keys when it cannot be read (said once).
void LoadLanguage();

// Installs the named keyboard layout, refusing a name the xkb data lacks, or the session's
// layout, loaded when a key is first named.
void LoadKeyboardLayout(const std::string& layout_name);

// Sets up the heap for store images of megabytes, handled several times over by one command:
// buffers freed stay with the process rather than going back to the kernel and being faulted in
// anew, and the heap is grown once on huge pages where the system allows them. A store of a
// hundred profiles is 3.4 MB read and as much decoded; in pages of 4 KiB that is close to two
// thousand page faults, which cost more than all the rest of a listing.
void PrepareHeapForStores();

// A usage error is one line, with where to find help; returns exit status 2.
int ReportUsageError(const UsageError& error, const std::string& command);

// Runs a command and gives its exit status: 0 when it ran and its output was written, 1 when it
// refused (said in one line) or the output could not be written, 2 on a usage error.
int RunReported(const std::string& command, const std::function<void()>& run);

}  // namespace melko::cli
