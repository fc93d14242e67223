// The files the tool writes: which names it hands to the plug-in, what it refuses to replace, and
// the folders it makes.
#pragma once

#include <string>

namespace tessaly::tool {

// Why target is no name for the plug-in's export, starting with target; empty when it is one.
// The plug-in puts ".pwx" in place of any other extension, so only a name it keeps is taken.
std::string PwxTargetRefusal(const std::string& target);

// Why output must not be written, starting with input: it is the input itself under some name.
// Empty when it is another file.
std::string InputReplacedRefusal(const std::string& input, const std::string& output);

// Makes the folder and its parents unless it is there. False, with the system's reason, when the
// folder is not there afterwards.
bool MakeFolder(const std::string& folder, std::string& error);
// The same for the folder a file is to be written in.
bool MakeFolderFor(const std::string& file, std::string& error);

}  // namespace tessaly::tool
