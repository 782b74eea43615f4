#pragma once
// The logged-error report of the file parsers: a warning to the user and the same text appended,
// with the date and time, to the error log in the program folder.
#include <string>

namespace tarnix {

// "Tarnix logged error no 6     u=...    V=...    a=1  b=2  c=3  d=4  "
std::string logErrorText(int number, const std::string& u, const std::string& V, long long a, long long b,
                         long long c, long long d);

// The error log: program folder + "tarnix_error.log".
std::string errorLogPath();

void LogError(int number, const std::string& u, const std::string& V, long long a, long long b, long long c,
              long long d);

} // namespace tarnix
