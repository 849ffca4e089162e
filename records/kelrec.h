// kelrec, the administration tool of record files:
//
//   kelrec create FILE LENGTH KEY...   a new record file of LENGTH-byte records; each KEY is
//                                      its segments joined by "+", a segment POS:LEN (from 1)
//                                      followed by letters: b binary (a little-endian number),
//                                      a alternate (letters compare as capitals), d the key
//                                      allows duplicates. Example: 1:4b 5:20ad 25:2+1:4bd
//   kelrec import FILE CSV             adds the records of a CSV file, all or none
//   kelrec export FILE CSV [KEY]       writes the records in the order of a key (0 by default)
//   kelrec status FILE                 record length, page size, keys and record count
//   kelrec check FILE                  checks the file and every record's keys
//   kelrec lock FILE KEY VALUE...      locks the record whose key equals the values (one per
//                                      segment) and holds it until interrupted
//   kelrec copy FILE NEW               a new record file with FILE's definition and records,
//                                      all or none; either may be a server file "pgsql:NAME"
//
// A CSV line has one column per key segment, key by key, and then one column with the rest of
// the record (the bytes no segment covers) as text. Binary segments of 1, 2, 4 or 8 bytes are
// decimal numbers, other binary segments hexadecimal digits; text is UTF-8 outside and code
// page 850 in the file, its trailing blanks left out.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kel {

// Exit codes of kelrec.
inline constexpr int kKelrecDone = 0;
inline constexpr int kKelrecFailed = 1;  // the record manager refused; its status is printed
inline constexpr int kKelrecUsage = 2;   // wrong arguments or input

// Runs kelrec on its arguments (program name left out); what it prints goes to out and err.
// The lock command calls hold with what it printed once the record is locked, and returns
// when hold does. Returns the exit code.
int RunKelrec(const std::vector<std::string>& arguments, std::string& out, std::string& err,
              const std::function<void(std::string& out)>& hold);

}  // namespace kel
