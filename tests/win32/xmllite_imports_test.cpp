// XmlLite's import library is made from cmake/xmllite.def, not from a DLL.
// This program imports every name of that list through xmllite.h's own
// declarations: a wrong name or stdcall decoration fails the link of the
// 32-bit tree, and a name the DLL does not export stops the loader before
// main. It then checks that each import reaches the loaded DLL.
#include <windows.h>

#include <gtest/gtest.h>
#include <xmllite.h>

#include <cstdint>
#include <cstring>

// mingw's xmllite.h leaves this one out; the declaration of the Windows SDK.
extern "C" HRESULT WINAPI CreateXmlReaderInputWithEncodingCodePage(IUnknown* stream,
                                                                   IMalloc* malloc, UINT codePage,
                                                                   BOOL encodingHint,
                                                                   LPCWSTR baseUri,
                                                                   IXmlReaderInput** input);

namespace {

// Where the program's call of an imported function lands. The linker makes
// the function's address a stub, `jmp [slot]` (FF 25 with the slot's
// address: relative to the next instruction on x64, absolute on x86), and
// the loader writes the DLL's function into the slot.
template <typename Function>
FARPROC ImportTarget(Function* function) {
  const auto* code = reinterpret_cast<const unsigned char*>(reinterpret_cast<void (*)()>(function));
  if (code[0] != 0xFF || code[1] != 0x25) {
    return nullptr;
  }
  std::int32_t operand = 0;
  std::memcpy(&operand, code + 2, sizeof operand);
#ifdef _WIN64
  const unsigned char* slot = code + 6 + operand;
#else
  const auto* slot = reinterpret_cast<const unsigned char*>(
      static_cast<std::uintptr_t>(static_cast<std::uint32_t>(operand)));
#endif
  FARPROC target = nullptr;
  std::memcpy(&target, slot, sizeof target);
  return target;
}

TEST(XmlLiteImportsTest, EveryListedNameResolvesToTheLoadedDll) {
  const HMODULE xmllite = GetModuleHandleW(L"xmllite.dll");
  ASSERT_NE(xmllite, nullptr);
  const struct {
    const char* name;
    FARPROC imported;
  } imports[] = {
      {"CreateXmlReader", ImportTarget(&CreateXmlReader)},
      {"CreateXmlReaderInputWithEncodingCodePage",
       ImportTarget(&CreateXmlReaderInputWithEncodingCodePage)},
      {"CreateXmlReaderInputWithEncodingName", ImportTarget(&CreateXmlReaderInputWithEncodingName)},
      {"CreateXmlWriter", ImportTarget(&CreateXmlWriter)},
      {"CreateXmlWriterOutputWithEncodingCodePage",
       ImportTarget(&CreateXmlWriterOutputWithEncodingCodePage)},
      {"CreateXmlWriterOutputWithEncodingName",
       ImportTarget(&CreateXmlWriterOutputWithEncodingName)},
  };
  for (const auto& entry : imports) {
    EXPECT_EQ(entry.imported, GetProcAddress(xmllite, entry.name)) << entry.name;
  }
}

}  // namespace
