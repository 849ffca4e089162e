// Where a record file lives. A file named "pgsql:NAME" is kept by the office's PostgreSQL
// server under NAME; any other name is a file of the embedded engine on disk.
//
// The server is reached with a libpq connection string ("host=SERVER dbname=kel user=kel"):
// the environment variable KELPG when it is set, else the key "Servidor" of section
// "Registres" in the suite's settings file Nuro.ini of the installation root (the
// session's RootDir; the current directory when it is not filled).
#pragma once

#include <string>
#include <string_view>

namespace kel {

// The prefix that names a record file on the server.
inline constexpr std::string_view kServerFilePrefix = "pgsql:";
// The environment variable with the server's connection string.
inline constexpr std::string_view kServerVariable = "KELPG";

// True when a record file's name places it on the server; name gets the name there.
bool IsServerFile(std::string_view path, std::string& name);
// The connection string of the record server ("" when none is set).
std::string RecordServerConnection();

}  // namespace kel
