// XmlLite's import library is made from cmake/xmllite.def, not from a DLL.
// This program imports every name of that list through xmllite.h's own
// declarations: a wrong name or stdcall decoration fails the link of the
// 32-bit tree, and a name the DLL does not export stops the loader before
// main. It then checks that each import reaches the loaded DLL.
#include <windows.h>

#include <gtest/gtest.h>
#include <xmllite.h>

namespace {

TEST(XmlLiteImportsTest, EveryListedNameResolvesToTheLoadedDll) {
  const HMODULE xmllite = GetModuleHandleW(L"xmllite.dll");
  ASSERT_NE(xmllite, nullptr);
  const struct {
    const char* name;
    FARPROC imported;
  } imports[] = {
      {"CreateXmlReader", reinterpret_cast<FARPROC>(&CreateXmlReader)},
      {"CreateXmlReaderInputWithEncodingCodePage",
       reinterpret_cast<FARPROC>(&CreateXmlReaderInputWithEncodingCodePage)},
      {"CreateXmlReaderInputWithEncodingName",
       reinterpret_cast<FARPROC>(&CreateXmlReaderInputWithEncodingName)},
      {"CreateXmlWriter", reinterpret_cast<FARPROC>(&CreateXmlWriter)},
      {"CreateXmlWriterOutputWithEncodingCodePage",
       reinterpret_cast<FARPROC>(&CreateXmlWriterOutputWithEncodingCodePage)},
      {"CreateXmlWriterOutputWithEncodingName",
       reinterpret_cast<FARPROC>(&CreateXmlWriterOutputWithEncodingName)},
  };
  for (const auto& entry : imports) {
    EXPECT_EQ(entry.imported, GetProcAddress(xmllite, entry.name)) << entry.name;
  }
}

}  // namespace
