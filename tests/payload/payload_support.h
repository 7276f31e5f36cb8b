// Helpers for the payload tests: SZDD test data, a module carrying test payload
// resources, the setup log, and import patches that make a platform call fail on
// purpose. The message box driver they use is support/boxes.h.
#ifndef MARVANE_TEST_PAYLOAD_SUPPORT_H
#define MARVANE_TEST_PAYLOAD_SUPPORT_H

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "layouts.h"
#include "payload/filetable.h"
#include "support/boxes.h"

// ---- Test data ------------------------------------------------------------------

// An SZDD container of data: greedy references to earlier output within `window`
// bytes (0 = literals only). Independent of the product's packer.
std::string SzddContainer(const std::string& data, int window = 2048);
// SzddRaw and ChecksumEntry: layouts.h.
// Deterministic test content: text with repeats, or bytes of every value.
std::string TextContent(size_t size, unsigned seed);
std::string BinaryContent(size_t size, unsigned seed);

// ---- State --------------------------------------------------------------------

// Saves the file table and the installer's shared fields, and puts them back.
class SavedState {
public:
    SavedState();
    ~SavedState();

private:
    PayloadFile rows_[FILE_TABLE_ROWS];
};

// Makes `dir` the current directory with logging on; puts both back afterwards.
class LogInDir {
public:
    explicit LogInDir(const std::string& dir);
    ~LogInDir();
    // The lines of setup.log (CR LF separated), without the final line end.
    std::vector<std::string> Lines() const;

private:
    std::string dir_;
    char saved_[MAX_PATH];
};

// One resource of a test module: type, name (language 1033) and bytes.
struct ResourceEntry {
    const char* type;
    const char* name;
    std::string data;
};

// Copies this test program to `path`, replaces all of its resources by `entries` and
// loads the copy as a data file; null (and a test failure) when a step fails.
HMODULE LoadWithResources(const std::string& path, const std::vector<ResourceEntry>& entries);

// A copy of this test program whose resources are replaced by the given EXE
// resources (language 1033), their checksum record and the progress dialog,
// loaded as a data file: a module whose payload the test controls, whatever
// payload the build packed. Or any module loaded with LoadWithResources.
class PayloadModule {
public:
    PayloadModule(const std::string& dir, const std::vector<std::pair<std::string, std::string>>& resources);
    explicit PayloadModule(HMODULE loaded) : module_(loaded) {}
    ~PayloadModule();
    PayloadModule(const PayloadModule&) = delete;
    PayloadModule& operator=(const PayloadModule&) = delete;
    HINSTANCE instance() const { return module_; }

private:
    HMODULE module_ = nullptr;
};

// The stored bytes that the tests put under each row's resource name.
std::vector<std::pair<std::string, std::string>> TestPayload(std::vector<std::string>* expanded = nullptr);

// A plain visible top-level window to own message boxes and dialogs.
HWND MakeOwnerWindow();

// The payload suites' fixture: the test module, the state saved and put back, a
// fresh directory named after the test, and an owner window as the main window.
class PayloadTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    SavedState saved;
    std::string dir;
    HWND owner = nullptr;
};

// ---- Progress ---------------------------------------------------------------------

// Records what is shown on the progress line (control 954 of the "Installation"
// dialog) and which windows are created on this thread, while it lives.
class ProgressWatch {
public:
    ProgressWatch();
    ~ProgressWatch();
    const std::vector<std::string>& lines() const;
    int dialogsCreated() const;
};

// ---- Failure injection ------------------------------------------------------------

// Replaces this program's import of dll!function with replacement while it lives.
class ImportPatch {
public:
    ImportPatch(const char* dll, const char* function, void* replacement);
    ~ImportPatch();
    void* original() const { return original_; }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

#endif
