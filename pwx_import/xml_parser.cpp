#include "pwx_import/xml_parser.h"

#include <cstring>
#include <limits>
#include <new>

#include "platform/file_system.h"
#include "util/ascii.h"

namespace tessaly::xml {

namespace {

// expat's memory comes from the global operator new, as all other memory of ours does, so that
// running out of it ends a read the same way wherever it happens. Each block starts with its
// size, which growing it needs; the header keeps the block aligned as operator new aligns.
struct BlockHeader {
  alignas(__STDCPP_DEFAULT_NEW_ALIGNMENT__) std::size_t Size;
};

void* AllocateForExpat(std::size_t size) {
  if (size > std::numeric_limits<std::size_t>::max() - sizeof(BlockHeader)) return nullptr;
  auto* header = static_cast<BlockHeader*>(::operator new(sizeof(BlockHeader) + size, std::nothrow));
  if (header == nullptr) return nullptr;
  header->Size = size;
  return header + 1;
}

void FreeForExpat(void* block) {
  if (block != nullptr) ::operator delete(static_cast<BlockHeader*>(block) - 1);
}

void* ReallocateForExpat(void* block, std::size_t size) {
  if (block == nullptr) return AllocateForExpat(size);
  const std::size_t held = (static_cast<BlockHeader*>(block) - 1)->Size;
  if (size <= held) return block;  // a block that shrinks stays where it is
  void* grown = AllocateForExpat(size);
  if (grown == nullptr) return nullptr;  // the old block stays valid, as realloc leaves it
  std::memcpy(grown, block, held);
  FreeForExpat(block);
  return grown;
}

const XML_Memory_Handling_Suite kExpatMemory = {AllocateForExpat, ReallocateForExpat, FreeForExpat};

// Bytes 0x80-0x9F of windows-1252; the five it leaves undefined keep their C1 code points, as
// Windows' own conversion does. Every other byte is the Latin-1 character of the same number.
constexpr int kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Names a document may give the two 8-bit encodings expat does not know by every name: the
// registered names and aliases of ISO-8859-1 (expat itself knows only "ISO-8859-1") and of
// windows-1252, plus the spellings other tools write for them. Matched in any case.
constexpr const char* kLatin1Names[] = {"iso-8859-1", "iso_8859-1", "iso-ir-100",
                                        "latin1", "l1", "ibm819", "cp819", "csisolatin1"};
constexpr const char* kWindows1252Names[] = {"windows-1252", "cp1252", "x-cp1252", "cswindows1252"};

template <std::size_t N>
bool NameIsOneOf(const XML_Char* name, const char* const (&names)[N]) {
  for (const char* candidate : names) {
    if (EqualsLowerAscii(name, candidate)) return true;
  }
  return false;
}

int XMLCALL OnUnknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
  if (name == nullptr) return XML_STATUS_ERROR;
  const bool windows1252 = NameIsOneOf(name, kWindows1252Names);
  if (!windows1252 && !NameIsOneOf(name, kLatin1Names)) return XML_STATUS_ERROR;
  for (int i = 0; i < 256; ++i) {
    info->map[i] = (windows1252 && i >= 0x80 && i < 0xA0) ? kWindows1252High[i - 0x80] : i;
  }
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
}

}  // namespace

XmlParser::XmlParser() {
  parser_ = XML_ParserCreate_MM(nullptr, &kExpatMemory, nullptr);  // no namespace processing
  if (parser_ == nullptr) throw std::bad_alloc();
  XML_SetUserData(parser_, this);
  // Nothing outside the file is ever read: no parameter entities, no external entity handler.
  XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
  XML_SetUnknownEncodingHandler(parser_, OnUnknownEncoding, nullptr);
  XML_SetStartDoctypeDeclHandler(parser_, [](void* userData, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    XmlParser& self = Self<XmlParser>(userData);
    self.Guard([&] { self.Fail(LoadResult::DoctypeRefused); });
  });
}

XmlParser::~XmlParser() { XML_ParserFree(parser_); }

Place XmlParser::CurrentPlace() const {
  return {static_cast<unsigned long>(XML_GetCurrentLineNumber(parser_)),
          static_cast<unsigned long>(XML_GetCurrentColumnNumber(parser_))};
}

LoadFailure XmlParser::Failure() const {
  LoadFailure failure;
  failure.At = failurePlace_;
  failure.ParserError = static_cast<int>(parserError_);
  failure.SystemError = systemError_;
  if (const XML_LChar* words = XML_ErrorString(parserError_); parserError_ != XML_ERROR_NONE && words != nullptr) {
    failure.ParserWords = words;
  }
  return failure;
}

void XmlParser::Fail(LoadResult why) {
  if (!failure_) {
    failure_ = why;
    failurePlace_ = CurrentPlace();
  }
  XML_StopParser(parser_, XML_FALSE);
}

void XmlParser::Keep(std::exception_ptr error) noexcept {
  error_ = std::move(error);
  XML_StopParser(parser_, XML_FALSE);
}

bool XmlParser::Parse(std::size_t size) {
  const bool last = size == 0;
  if (XML_ParseBuffer(parser_, static_cast<int>(size), last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
    if (!failure_) {
      parserError_ = XML_GetErrorCode(parser_);
      Fail(LoadResult::NotWellFormed);
    }
    return false;
  }
  return !(last || Stopped());
}

LoadResult XmlParser::Finish() {
  if (error_) std::rethrow_exception(error_);
  return failure_ ? *failure_ : LoadResult::Loaded;
}

// The one read loop: each read fills a buffer expat owns, so nothing is copied, and a read of no
// bytes ends the document.
LoadResult XmlParser::ReadFile(const char* path) {
  platform::FileReader file(path);
  if (!file.IsOpen()) {
    systemError_ = file.Error();
    return LoadResult::Unreadable;
  }
  for (;;) {
    char* buffer = static_cast<char*>(XML_GetBuffer(parser_, static_cast<int>(kReadChunk)));
    if (buffer == nullptr) {  // no memory for the next piece: as when expat runs out within one
      parserError_ = XML_ERROR_NO_MEMORY;
      Fail(LoadResult::NotWellFormed);
      break;
    }
    const std::size_t got = file.Read(buffer, kReadChunk);
    if (got == 0 && file.Error() != 0) {
      systemError_ = file.Error();
      Finish();  // an exception from a handler outranks the read error
      return LoadResult::Unreadable;
    }
    if (!Parse(got)) break;  // a failed or stopped parse never asks for another piece
  }
  return Finish();
}

}  // namespace tessaly::xml
