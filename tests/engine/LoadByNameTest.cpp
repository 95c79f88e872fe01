// The programs load the engine by name from the program folder, as a Windows program loads
// its DLLs: the libraries must resolve each other there and export only the C functions.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

namespace {

void* Load(const char* name) {
    return dlopen((std::string(QUIREL_PROGRAM_FOLDER) + "/" + name).c_str(), RTLD_NOW | RTLD_LOCAL);
}

TEST(LoadByNameTest, BothLibrariesLoadFromTheProgramFolderWithTheirFunctions) {
    void* engine = Load("libQuirel.so");
    void* tiff = Load("libQuirel1.so");
    ASSERT_NE(engine, nullptr) << dlerror();
    ASSERT_NE(tiff, nullptr) << dlerror();
    for (const char* name : {"OpenPDF", "GetPageNum", "ExportIMG", "ClosePDF"})
        EXPECT_NE(dlsym(engine, name), nullptr) << name;
    EXPECT_NE(dlsym(tiff, "ExportTIF"), nullptr);
    dlclose(tiff);
    dlclose(engine);
}

TEST(LoadByNameTest, RendererSymbolsStayInside) {
    // The renderer is linked in statically; its names must not clash with the host program's.
    void* engine = Load("libQuirel.so");
    ASSERT_NE(engine, nullptr) << dlerror();
    for (const char* name :
         {"fz_new_context_imp", "fz_load_page", "pdf_open_document", "extract_begin"})
        EXPECT_EQ(dlsym(engine, name), nullptr) << name;
    dlclose(engine);
}

}  // namespace
