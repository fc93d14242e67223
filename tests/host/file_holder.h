// Another program's hold on a file, and a folder that takes no new file, for the save's cases.
#pragma once

#include <string>

namespace tessaly::test {

// Whether the system lets a program holding a file open stop others from writing or replacing it.
extern const bool kSharingBinds;

// Holds the file open for reading and writing, as another program would, until destroyed; sharing
// names what it lets others do: any of 'r', 'w', 'd' (read, write, delete), or "-" for nothing.
class FileHolder {
 public:
  FileHolder(const std::string& path, const std::string& sharing);
  ~FileHolder();
  FileHolder(const FileHolder&) = delete;
  FileHolder& operator=(const FileHolder&) = delete;

 private:
  long long held_ = -1;
};

// Makes a folder take no new file (even from the superuser where the system allows), or undoes it.
void FreezeFolder(const std::string& folder, bool frozen);

}  // namespace tessaly::test
