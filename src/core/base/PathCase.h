#pragma once
// The Vantor folder often comes from a Windows installation, where "Filters\XPARAMS.KVQ" and
// "filters/xparams.kvq" name the same file. Here names are matched exactly first, and only when that
// fails without regard to case.
#include <string>

namespace tarnix {

// The path of the existing file or folder that `path` names: `path` itself when it exists, else the
// path whose components match without regard to case (the first match in name order). Components
// from the first one without any match on stay as given, so a file about to be created goes into
// the existing folder ("filters/new.dat" for "Filters/new.dat").
std::string resolvePathNoCase(const std::string& path);

} // namespace tarnix
