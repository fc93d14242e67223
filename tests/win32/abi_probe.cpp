// Calls every export of tessaly.dll the way a 32-bit host does: looked up by name and by ordinal,
// called through stdcall with exactly the table's argument bytes, and checked that the callee
// removed exactly those bytes from the stack. It runs as a host with invalid operation, division by
// zero and overflow unmasked, and checks that every call gives that state back untouched. The
// DLL's notice box is caught at its import of MessageBoxA, so nothing waits for a click. Prints
// "N passed, M failed" and exits non-zero on any failure.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "exercise/records.h"
#include "tests/host_float_state.h"

using tessaly::ExerciseDataRecord;
using tessaly::LapDataRecord;
using tessaly::LogSummaryRecord;

// Pushes `size` bytes of arguments, calls fn, stores EAX in *result and returns how far ESP ended up
// from where a callee removing exactly `size` bytes leaves it (0 when the convention holds).
extern "C" std::int32_t __cdecl CallWithStack(const void* fn, const void* args, std::uint32_t size,
                                              std::uint32_t* result);
asm(R"(
  .text
  .globl _CallWithStack
_CallWithStack:
  pushl %ebp
  movl %esp, %ebp
  pushl %esi
  pushl %edi
  pushl %ebx
  movl 16(%ebp), %ecx
  subl %ecx, %esp
  movl %esp, %edi
  movl 12(%ebp), %esi
  cld
  rep movsb
  movl %esp, %ebx
  addl 16(%ebp), %ebx
  call *8(%ebp)
  movl 20(%ebp), %ecx
  movl %eax, (%ecx)
  movl %esp, %eax
  subl %ebx, %eax
  leal -12(%ebp), %esp
  popl %ebx
  popl %edi
  popl %esi
  popl %ebp
  ret
)");

namespace {

int g_passed = 0;
int g_failed = 0;

void Check(bool ok, const std::string& what) {
  if (ok) {
    ++g_passed;
  } else {
    ++g_failed;
    std::printf("FAILED: %s\n", what.c_str());
  }
}

// Argument bytes built up in push order reversed: first argument at the lowest address.
struct Args {
  std::vector<std::uint8_t> bytes;
  Args& u32(std::uint32_t v) { return raw(&v, 4); }
  Args& ptr(const void* p) {
    const auto v = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
    return u32(v);
  }
  Args& raw(const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    bytes.insert(bytes.end(), b, b + n);
    while (bytes.size() % 4 != 0) bytes.push_back(0);  // a by-value record fills whole slots
    return *this;
  }
};

struct Export {
  const char* name;
  WORD ordinal;
  std::uint32_t argBytes;
};

// The host's table: name, ordinal, argument bytes.
const Export kExports[] = {
    {"Initialize", 40, 12}, {"GetExInterface", 1, 0}, {"GetVersion", 39, 0},
    {"GetPluginType", 37, 0}, {"GetPluginDevType", 36, 0}, {"GetDeviceName", 30, 8},
    {"GetPluginName", 38, 8}, {"GetPluginExeParam", 2, 12}, {"GetDir", 29, 8},
    {"SetIniFile", 27, 4}, {"SetPluginIniFile", 26, 4}, {"GetAHFactor", 28, 0},
    {"GetAuthor", 35, 8}, {"GetComment", 34, 8}, {"GetURL", 33, 8},
    {"GetRawExtension", 32, 8}, {"ValidRawExtension", 31, 8}, {"UseOwnSetupDialog", 17, 0},
    {"UseOwnImportDialog", 16, 0}, {"SetCVVersion", 5, 4}, {"GetDelProperty", 15, 0},
    {"GetDevImpProperty", 14, 0}, {"GetPluginIcon", 18, 4}, {"GetExerciseNumber", 25, 0},
    {"GetExerciseNumberFromRawFile", 24, 4}, {"GetExerciseNumberFromRawFileEx", 23, 8},
    {"AnalyseExercise", 22, 8}, {"GetLogSummaryEx", 21, 4}, {"GetExerciseDatasEx", 20, 8},
    {"GetLapDatasEx", 19, 8}, {"SetupExport", 13, 8}, {"SetLogSummary", 12, 72},
    {"SetExerciseDatas", 11, 348}, {"SetLapDatas", 10, 96}, {"SetLogSummaryEx", 9, 96},
    {"SetExerciseDatasEx", 8, 664}, {"SetLapDatasEx", 7, 112}, {"SetComment", 6, 4},
    {"SetUser", 4, 4}, {"ExportDatas", 3, 36},
};

HMODULE g_dll = nullptr;

// The host's floating-point state the probe runs in.
constexpr tessaly::test::HostFloatState kHostState = tessaly::test::kForeignFloatStates[1];

// The notice boxes the DLL asked for.
struct Box {
  std::string text, caption;
  UINT type;
};
std::vector<Box> g_boxes;

int WINAPI RecordBox(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  g_boxes.push_back({text ? text : "", caption ? caption : "", type});
  return IDOK;
}

// Points the module's import of dll!function at replacement; false when it imports no such thing.
bool ReplaceImport(HMODULE module, const char* dll, const char* function, const void* replacement) {
  auto* base = reinterpret_cast<std::uint8_t*>(module);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0; ++d) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
      DWORD protection = 0;
      if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection)) return false;
      slots->u1.Function = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(replacement));
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
      return true;
    }
  }
  return false;
}

// Calls the export both by name and by ordinal with the same arguments; returns the result of the
// call by name.
std::uint32_t Call(const char* name, const Args& args) {
  const Export* e = nullptr;
  for (const Export& x : kExports) {
    if (std::strcmp(x.name, name) == 0) e = &x;
  }
  if (e == nullptr) {
    Check(false, std::string("probe knows no export ") + name);
    return 0;
  }
  Check(args.bytes.size() == e->argBytes, std::string(name) + ": probe built " +
                                              std::to_string(args.bytes.size()) + " argument bytes");
  const void* byName = reinterpret_cast<const void*>(GetProcAddress(g_dll, e->name));
  const void* byOrdinal = reinterpret_cast<const void*>(GetProcAddress(g_dll, MAKEINTRESOURCEA(e->ordinal)));
  Check(byName != nullptr, std::string(name) + " found by name");
  Check(byName == byOrdinal, std::string(name) + " has ordinal " + std::to_string(e->ordinal));
  if (byName == nullptr || byOrdinal == nullptr) return 0;
  std::uint32_t viaName = 0;
  std::uint32_t viaOrdinal = 0;
  const tessaly::test::FloatSnapshot before = tessaly::test::TakeFloatSnapshot();
  const std::int32_t skewName = CallWithStack(byName, args.bytes.data(), e->argBytes, &viaName);
  const tessaly::test::FloatSnapshot afterName = tessaly::test::TakeFloatSnapshot();
  const std::int32_t skewOrdinal = CallWithStack(byOrdinal, args.bytes.data(), e->argBytes, &viaOrdinal);
  const tessaly::test::FloatSnapshot afterOrdinal = tessaly::test::TakeFloatSnapshot();
  Check(skewName == 0 && skewOrdinal == 0,
        std::string(name) + " removes " + std::to_string(e->argBytes) + " argument bytes (off by " +
            std::to_string(skewName) + ")");
  Check(afterName == before && afterOrdinal == before,
        std::string(name) + " gives the host's floating-point state back (control word " +
            std::to_string(afterName.Control) + ", MXCSR " + std::to_string(afterName.Mxcsr) + ")");
  return viaName;
}

std::uint8_t Byte(std::uint32_t r) { return static_cast<std::uint8_t>(r & 0xFF); }

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "tessaly.dll";
  g_dll = LoadLibraryA(path);
  if (g_dll == nullptr) {
    std::printf("cannot load %s\n", path);
    return 2;
  }
  Check(ReplaceImport(g_dll, "user32.dll", "MessageBoxA", reinterpret_cast<const void*>(&RecordBox)),
        "the DLL imports MessageBoxA for its notice");
  tessaly::test::SetFloatState(kHostState);
  char text[64];
  std::memset(text, 'x', sizeof(text));

  // Metadata and configuration.
  Check(Byte(Call("Initialize", Args().u32(255).ptr("C:\\Plugins").u32(0))) == 1, "Initialize is true");
  Check(Call("GetAHFactor", Args()) == 2, "255 keeps the altitude threshold at 2");
  Check(Byte(Call("GetExInterface", Args())) == 6, "interface level 6");
  Check(Call("GetVersion", Args()) == 700, "version 700");
  Check(Byte(Call("GetPluginType", Args())) == 5, "plug-in type 5");
  Check(Byte(Call("GetPluginDevType", Args())) == 5, "device type 5");
  Check(Byte(Call("GetDeviceName", Args().ptr(text).u32(7))) == 1 && std::memcmp(text, "Tessaly\0x", 9) == 0,
        "device name cut at 7 characters and a zero");
  Check(Byte(Call("GetPluginName", Args().ptr(text).u32(63))) == 1 &&
            std::strcmp(text, "Tessaly Import/Export Plugin") == 0,
        "plug-in name");
  Check(Byte(Call("GetPluginExeParam", Args().ptr(nullptr).u32(0).ptr("C:\\p.ini"))) == 0, "GetPluginExeParam is false");
  Check(Byte(Call("GetDir", Args().ptr(text).u32(63))) == 1 && std::strcmp(text, "C:\\Plugins") == 0, "plug-in folder");
  Call("SetIniFile", Args().ptr("C:\\host.ini"));
  Call("SetPluginIniFile", Args().ptr(nullptr));
  Check(Byte(Call("GetAuthor", Args().ptr(text).u32(63))) == 1 && text[0] != '\0', "author");
  Check(Call("GetURL", Args().ptr(text).u32(63)) == 0 && text[0] == '\0', "no URL");
  Check(Byte(Call("GetRawExtension", Args().ptr(text).u32(63))) == 1 && std::strcmp(text, "pwx") == 0, "raw extension");
  Check(Byte(Call("ValidRawExtension", Args().ptr(".pwx").u32(1))) == 1, ".pwx is valid");
  Check(Byte(Call("ValidRawExtension", Args().ptr(".PWX").u32(4))) == 0, ".PWX is not");
  Check(Byte(Call("ValidRawExtension", Args().ptr(".pwx").u32(0x10000))) == 0, "capacity 65536 counts as 0");
  Check(Call("UseOwnSetupDialog", Args()) == 0, "no own setup dialog");
  Check(Call("UseOwnImportDialog", Args()) == 0, "no own import dialog");
  Check(Call("GetDelProperty", Args()) == 0, "GetDelProperty 0");
  Check(Call("GetDevImpProperty", Args()) == 0, "GetDevImpProperty 0");
  HBITMAP icon = nullptr;
  Check(Byte(Call("GetPluginIcon", Args().ptr(&icon))) == 1 && icon != nullptr, "icon handed out");
  BITMAP bm{};
  Check(icon != nullptr && GetObjectA(icon, sizeof(bm), &bm) == sizeof(bm) && bm.bmWidth == 32 &&
            bm.bmHeight == 32 && bm.bmBitsPixel == 24,
        "icon is 32x32 at 24 bits per pixel");
  if (icon != nullptr) DeleteObject(icon);

  // The version gate: one notice per refusal (Call makes each call twice, by name and by
  // ordinal), an information box with one OK button, modal to the host's windows.
  Call("SetCVVersion", Args().u32(504));
  Check((Call("GetExerciseNumberFromRawFile", Args().ptr("C:\\ride.pwx")) & 0xFFFF) == 0, "host 504 is refused");
  Check(g_boxes.size() == 2, "one notice per refused import, " + std::to_string(g_boxes.size()) + " shown");
  Check(Call("ExportDatas", Args().u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).ptr("C:\\nowhere\\x.pwx").u32(0)) == 0,
        "export refused for host 504");
  Check(g_boxes.size() == 4, "one notice per refused export, " + std::to_string(g_boxes.size()) + " shown");
  for (const Box& box : g_boxes) {
    Check(box.type == (MB_OK | MB_ICONINFORMATION | MB_TASKMODAL), "the notice is a task-modal information box with OK");
    Check(box.caption == "Tessaly Import/Export Plugin" && box.text.find("5.05") != std::string::npos,
          "the notice names the plug-in and the version needed");
  }
  Call("SetCVVersion", Args().u32(505));
  Check((Call("GetExerciseNumberFromRawFile", Args().ptr("C:\\missing\\ride.PWX")) & 0xFFFF) == 1, "a .PWX path offers one workout");
  Check(Call("GetExerciseNumberFromRawFileEx", Args().ptr("C:\\ride.txt").u32(0)) == 0, "a .txt path offers none");
  Check((Call("GetExerciseNumber", Args()) & 0xFFFF) == 0, "GetExerciseNumber 0");
  Check(Call("AnalyseExercise", Args().ptr("C:\\missing\\ride.pwx").u32(0)) == 0, "a missing file imports nothing");

  // Export calls and the getters on what they stored.
  Check(Byte(Call("SetupExport", Args().u32(1).u32(2))) == 1, "SetupExport");
  std::uint8_t old72[72] = {}, old348[348] = {}, old96[96] = {};
  Check(Byte(Call("SetLogSummary", Args().raw(old72, 72))) == 1, "old SetLogSummary");
  Check(Byte(Call("SetExerciseDatas", Args().raw(old348, 348))) == 1, "old SetExerciseDatas");
  Call("SetLapDatas", Args().raw(old96, 96));

  LogSummaryRecord summary;
  for (std::size_t i = 0; i < sizeof(summary); ++i) reinterpret_cast<std::uint8_t*>(&summary)[i] = static_cast<std::uint8_t>(i * 7 + 1);
  Check(Byte(Call("SetLogSummaryEx", Args().raw(&summary, sizeof(summary)))) == 1, "SetLogSummaryEx");
  ExerciseDataRecord sample{};
  sample.HeartRate = 151;
  sample.Distance = 1.25;
  sample.TimeOffset = 42;
  std::memset(sample.SampleText, 'a', sizeof(sample.SampleText));  // all 256 bytes, no terminator
  sample.PedalSmoothnessRight = 21.5;
  Check(Byte(Call("SetExerciseDatasEx", Args().u32(6).raw(&sample, sizeof(sample)))) == 1, "SetExerciseDatasEx");
  Check(Byte(Call("SetExerciseDatasEx", Args().u32(0xFFFFFFFFu).raw(&sample, sizeof(sample)))) == 0,
        "a negative sample index is refused");
  LapDataRecord lap;
  for (std::size_t i = 0; i < sizeof(lap); ++i) reinterpret_cast<std::uint8_t*>(&lap)[i] = static_cast<std::uint8_t>(255 - i);
  Check(Byte(Call("SetLapDatasEx", Args().u32(77).raw(&lap, sizeof(lap)))) == 1, "SetLapDatasEx");
  Call("SetComment", Args().ptr("First line"));
  Call("SetUser", Args().ptr("Alex"));

  LogSummaryRecord back[2];
  std::memset(back, 0xEE, sizeof(back));
  Check(Byte(Call("GetLogSummaryEx", Args().ptr(back))) == 1 && std::memcmp(&back[0], &summary, sizeof(summary)) == 0 &&
            reinterpret_cast<std::uint8_t*>(back)[95] == 0xEE,
        "the summary comes back as 95 bytes, not one more");
  std::vector<std::uint8_t> buffer(sizeof(ExerciseDataRecord), 0xCD);
  auto* got = reinterpret_cast<ExerciseDataRecord*>(buffer.data());
  Check(Byte(Call("GetExerciseDatasEx", Args().u32(6).ptr(got))) == 1 && got->HeartRate == 151 &&
            got->TimeOffset == 42 && std::memcmp(got->SampleText, sample.SampleText, 256) == 0 &&
            got->PedalSmoothnessRight == 21.5 && buffer[25] == 0xCD && buffer[600] == 0xCD && buffer[645] == 0xCD,
        "sample 6 comes back field by field, reserved bytes untouched");
  Check(Byte(Call("GetExerciseDatasEx", Args().u32(7).ptr(got))) == 0, "an index past the samples is refused");
  LapDataRecord lapBack;
  Check(Call("GetLapDatasEx", Args().u32(0).ptr(&lapBack)) == 0 && std::memcmp(&lapBack, &lap, sizeof(lap)) == 0,
        "the lap comes back byte for byte and the result is 0");
  std::memset(&lapBack, 0xAB, sizeof(lapBack));
  bool lapUntouched = Call("GetLapDatasEx", Args().u32(5).ptr(&lapBack)) == 0;
  for (std::size_t i = 0; i < sizeof(lapBack); ++i) lapUntouched = lapUntouched && reinterpret_cast<std::uint8_t*>(&lapBack)[i] == 0xAB;
  Check(lapUntouched, "an index past the laps answers 0 and leaves the buffer alone");
  Check(Call("GetComment", Args().ptr(nullptr).u32(0)) == 10, "the comment's length");
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  const std::string target = std::string(tmp) + "tessaly-probe-export.tmp";
  const std::string written = std::string(tmp) + "tessaly-probe-export.pwx";
  DeleteFileA(written.c_str());
  Check(Call("ExportDatas", Args().u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).ptr(target.c_str()).u32(0)) == 1,
        "ExportDatas answers 1");
  std::string document;
  if (std::FILE* f = std::fopen(written.c_str(), "rb")) {
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof(chunk), f)) > 0;) document.append(chunk, n);
    std::fclose(f);
  }
  // The target's extension becomes .pwx; the document holds what the setters gave, and sample 6
  // is the seventh of seven.
  Check(document.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0) == 0, "the export starts with the XML declaration");
  Check(document.find("<name>Alex</name>") != std::string::npos && document.find("<cmt>First line</cmt>") != std::string::npos,
        "the user and the comment are written");
  Check(document.find("<hr>151</hr>") != std::string::npos && document.find("<timeoffset>42.000</timeoffset>") != std::string::npos,
        "sample 6 is written");
  std::size_t samples = 0;
  for (std::size_t at = document.find("<sample>"); at != std::string::npos; at = document.find("<sample>", at + 1)) ++samples;
  Check(samples == 7, "seven samples written, " + std::to_string(samples) + " found");
  Check(document.size() > 20 && document.compare(document.size() - 8, 8, "</pwx>\r\n") == 0, "the document is whole");
  DeleteFileA(written.c_str());

  Check(g_boxes.size() == 4, "no notice for a host of version 505");
  tessaly::test::SetFloatState(tessaly::test::kDefaultFloatState);
  FreeLibrary(g_dll);
  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}
