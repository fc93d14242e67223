// A host in miniature for the host tests: the plug-in library beside the test program, loaded at
// run time and called only through its exports, with the floating-point state watched across
// every call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "plugin_api.h"

namespace tessaly::test {

// Loads the plug-in and starts a session as the host does; null (and a test failure) when it
// cannot be loaded.
std::unique_ptr<tool::Plugin> LoadPlugin();

// One workout through the plug-in as a host moves it: imported and read back whole by one loaded
// plug-in, then set record by record into a freshly loaded one and exported again.
struct HostRound {
  std::int32_t Count = 0;
  std::string Imported;  // every byte the host received: summary, samples, laps, comment
  std::string Exported;  // the document written back from those records
  int Calls = 0;
  int Disturbed = 0;  // calls after which the host's floating-point state was not as before
  std::string FirstDisturbed;
};

// Does no floating-point work of its own between the calls, so the state it watches is what the
// plug-in leaves behind.
HostRound RunHostRound(const std::string& file, const std::string& target);

// Another program's hold on a file (file_holder_*.cpp), open for reading and writing until LetGo,
// letting others do what sharing names: any of r, w, d (read, write, delete), or "-" for nothing.
extern const bool kSharingBinds;  // whether the system lets such a hold stop a writer
std::intptr_t HoldOpen(const std::string& path, const char* sharing);
void LetGo(std::intptr_t hold);
void FreezeFolder(const std::string& folder, bool frozen);  // natively: no new file, not even root's

// A folder on a file system of 64 KiB of its own, for disks that fill up: natively a tmpfs mounted
// in a mount namespace of this process (by the superuser); under Wine the folder the runner names
// in TESSALY_SMALL_DISK. "" where there is none.
std::string SmallDisk();
// The code a write to a full disk fails with (ENOSPC; ERROR_DISK_FULL on Windows).
extern const int kDiskFull;
// An export to target by another process (natively a fork, on Windows save_once.exe), as an
// ordinary user (natively only) or killed while it writes: the answer and the last system error.
enum class Saver { OrdinaryUser, KilledWhileWriting };
struct SaverEnd {
  int Answer = -2;
  int SystemError = 0;
};
SaverEnd ExportElsewhere(const tool::PluginApi& api, Saver saver, const std::string& target);

}  // namespace tessaly::test
