#pragma once
// The Firebird client library and the configuration its embedded engine runs
// with.
//
// Out of the box the embedded engine of Firebird 3 opens a database file
// exclusively (ServerMode Super) and keeps its lock files in /tmp/firebird,
// a folder that whoever came first owns. The station runs several programs
// on one database at once, so before the client library is first used we
// point it (environment FIREBIRD and FIREBIRD_LOCK) at an engine folder of
// our own, "<root folder>/firebird":
//   firebird.conf   ServerMode SuperClassic, providers Remote and Engine12;
//   intl/           a copy of the character-set module (it refuses to load
//                   through a symbolic link) and its configuration;
//   firebird.msg    a link to the system's message file;
//   lock/           the lock files shared by every process on that root.
// Every process that opens the same database file must use the same lock
// folder; db/create-sample-db prepares the same folder for isql-fb. The
// engine is always given the folder's real path: through a link to it (a
// root below a linked home folder) the character sets are not found.
// When FIREBIRD is already set, the installation has chosen its own engine
// configuration and nothing is changed.

#include <string>
#include <string_view>

namespace Firebird {
class IMaster;
}

namespace tv {

// The configuration written into an engine folder made for the embedded
// engine.
std::string_view EmbeddedFirebirdConf();

// Writes the engine folder layout described above into `folder` (native
// path) with `conf` as its firebird.conf; files already up to date are left
// alone. Throws EIBClientError naming the file that could not be written or
// when no Firebird installation is found.
void WriteFirebirdEngineFolder(const std::string& folder, std::string_view conf);

// Sets FIREBIRD and FIREBIRD_LOCK for this process (once) unless FIREBIRD is
// set already. Must run before the first call into the client library;
// FirebirdMaster() does it.
void PrepareFirebirdEnvironment();

// The engine folder the client library uses in this process (the value of
// FIREBIRD after PrepareFirebirdEnvironment).
std::string FirebirdEngineFolder();

// The client library's master interface, after PrepareFirebirdEnvironment.
// The first call (once per process, thread-safe) also makes the client
// library's first attach, so that the host's dispositions of SIGINT and
// SIGTERM, which the client would take at that attach, stay the host's.
Firebird::IMaster* FirebirdMaster();

}  // namespace tv
