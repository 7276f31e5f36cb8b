#include "payload/copy.h"

#include <cstdio>
#include <cstring>

#include "install/messages.h"
#include "payload/lzlib.h"
#include "payload/paths.h"
#include "payload/szddheader.h"
#include "resources/resource.h"
#include "startup/state.h"

int currentDisk = 0;

namespace {

enum {
    COPY_PATH_CHARS = 512,
    ERROR_TEXT_CHARS = 256,
    SYSTEM_TEXT_CHARS = 256,
};

#ifndef LZERROR_WRITE
#define LZERROR_WRITE (-4)
#endif

bool FileIsThere(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Asks before an existing ".ini" destination is replaced: true to go on and copy.
// The test is case-sensitive on purpose, and matches anywhere in the path.
bool MayOverwrite(const char* dest)
{
    if (!std::strstr(dest, ".ini") || !FileIsThere(dest))
        return true;
    if (installer.quietMode)
        return false;
    char text[MESSAGE_CHARS];
    char caption[MESSAGE_CHARS];
    LoadFormattedMessage(IDS_OVERWRITE_QUERY, text, sizeof text, dest);
    LoadMessage(IDS_OVERWRITE_CAPTION, caption, sizeof caption);
    return MessageBoxA(installer.mainWindow, text, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// Opens a source for LZ reading: the compressed "_" name first, then the plain name.
// Plain handles are used rather than LZOpenFileA, whose file record holds only 128
// characters of path. Gives the expanded length recorded by an SZDD header (-1 when
// the file is not SZDD data).
HFILE OpenSource(const char* source, long long* recordedLength)
{
    char compressed[COPY_PATH_CHARS];
    size_t len = std::strlen(source);
    if (len == 0 || len >= sizeof compressed)
        return HFILE_ERROR;
    std::memcpy(compressed, source, len + 1);
    compressed[len - 1] = '_';
    HFILE file = _lopen(compressed, OF_READ);
    if (file == HFILE_ERROR)
        file = _lopen(source, OF_READ);
    if (file == HFILE_ERROR)
        return HFILE_ERROR;

    uint8_t bytes[SZDD_HEADER_SIZE];
    UINT got = _lread(file, bytes, sizeof bytes);
    SzddHeader header;
    bool szdd = got != static_cast<UINT>(HFILE_ERROR) && SzddReadHeader(bytes, got, &header);
    *recordedLength = szdd ? static_cast<long long>(header.length) : -1;
    _llseek(file, 0, FILE_BEGIN);
    return file;
}

// Expands an open source into a new destination file; the outcome as LzCopyFile
// gives it, and for LZCOPY_WRITE_FAILED the system's error code in *writeError. A
// destination that was created but not written whole is deleted again: a cut or
// padded file must not stay behind, least of all for a row whose failure the
// installation then passes over.
int Expand(HFILE file, long long recorded, const char* dest, DWORD* writeError)
{
    // LZInit hands back the plain handle for a file that is not SZDD data; on failure
    // (unknown mode, no free LZ slot) the plain handle is still ours to close.
    INT lzSource = lzInit(file);
    if (lzSource < 0) {
        _lclose(file);
        return LZCOPY_FAILED;
    }
    HFILE target = _lcreat(dest, 0);
    if (target == HFILE_ERROR) {
        lzClose(lzSource);
        return LZCOPY_NO_DEST;
    }
    LONG written = lzCopy(lzSource, target);
    DWORD error = GetLastError();
    // The library decodes until its input ends: a truncated or padded stream is only
    // noticed by comparing with the recorded length.
    int outcome = (written > 0 && (recorded < 0 || written == recorded)) ? LZCOPY_OK : LZCOPY_FAILED;
    if (written == LZERROR_WRITE)
        outcome = LZCOPY_WRITE_FAILED;
    // A write that failed late (a full disk) may only show when the file is closed.
    if (_lclose(target) == HFILE_ERROR && outcome == LZCOPY_OK) {
        error = GetLastError();
        outcome = LZCOPY_WRITE_FAILED;
    }
    lzClose(lzSource);
    if (outcome == LZCOPY_OK)
        return LZCOPY_OK;
    DeleteFileA(dest);
    *writeError = error;
    return outcome;
}

}  // namespace

// Out of line: inlined into CopyOneFile, its buffers and the overwrite prompt's
// would take that frame over a page (see cmake/release.cmake).
__attribute__((noinline)) int LzCopyFile(const char* source, const char* dest, DWORD* writeError)
{
    DWORD unused;
    if (!writeError)
        writeError = &unused;
    if (lstrcmpiA(source, dest) == 0)
        return LZCOPY_OK;
    if (!MayOverwrite(dest))
        return LZCOPY_OK;
    // Without the expansion library no file can be expanded: the same outcome as a
    // failed expansion, with the same prompt and log line.
    if (!lzInit)
        return LZCOPY_FAILED;

    long long recorded = -1;
    HFILE file = OpenSource(source, &recorded);
    if (file == HFILE_ERROR)
        return LZCOPY_NO_SOURCE;
    return Expand(file, recorded, dest, writeError);
}

namespace {

// These two prompts stay out of line: their buffers would otherwise add to
// CopyOneFile's frame, which must stay under a page (see cmake/release.cmake).

// Shows a retry prompt of the per-file copy: true to try again.
__attribute__((noinline)) bool AskAgain(HWND owner, const PayloadFile* row, const char* dest, int code,
                                        DWORD writeError, const char* diskCaption)
{
    char text[MESSAGE_CHARS];
    if (code == LZCOPY_NO_DEST) {
        LoadFormattedMessage(IDS_DEST_OPEN_FAILED, text, sizeof text, row->destName);
        return MessageBoxA(owner, text, nullptr, MB_RETRYCANCEL) == IDRETRY;
    }
    if (code == LZCOPY_WRITE_FAILED) {
        // A full disk is no missing disk: the system says what went wrong.
        char reason[SYSTEM_TEXT_CHARS];
        if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, writeError, 0,
                            reason, sizeof reason, nullptr))
            std::snprintf(reason, sizeof reason, "%u", static_cast<unsigned>(writeError));
        LoadFormattedMessage(IDS_WRITE_FAILED, text, sizeof text, dest, reason);
        return MessageBoxA(owner, text, nullptr, MB_RETRYCANCEL | MB_ICONERROR) == IDRETRY;
    }
    if (row->status & STATUS_DAMAGED) {
        // Only a new copy of the installer has the file: no disk to ask for, and
        // nothing to retry. The extraction has logged the same text.
        LoadFormattedMessage(IDS_PAYLOAD_DAMAGED, text, sizeof text, row->resource);
        if (!installer.quietMode)
            MessageBoxA(owner, text, nullptr, MB_OK | MB_ICONERROR);
        return false;
    }
    LoadFormattedMessage(IDS_INSERT_DISK, text, sizeof text, static_cast<unsigned>(row->disk), row->sourceName);
    UINT buttons = (row->disk != currentDisk) ? MB_OKCANCEL : MB_RETRYCANCEL;
    int answer = MessageBoxA(owner, text, diskCaption, buttons);
    return answer == IDOK || answer == IDRETRY;
}

// Gives up on a row: a skipped optional row is logged; a required one is the
// copy error (sized for both paths and the code).
__attribute__((noinline)) int GiveUp(HWND owner, const PayloadFile* row, const char* dest, const char* destDir)
{
    char text[MESSAGE_CHARS];
    if (!row->required) {
        LoadFormattedMessage(IDS_FILE_SKIPPED, text, sizeof text, dest);
        WriteLog(text);
        return 0;
    }
    char caption[ERROR_TEXT_CHARS];
    LoadFormattedMessage(IDS_COPY_FAILED, text, sizeof text, row->sourceName, destDir,
                         static_cast<unsigned>(GetLastError()));
    WriteLog(text);
    if (!installer.quietMode) {
        LoadMessage(IDS_INSTALL_CAPTION, caption, sizeof caption);
        MessageBoxA(owner, text, caption, MB_OK | MB_ICONERROR);
    }
    return 1;
}

}  // namespace

int CopyOneFile(PayloadFile* row, const char* sourceDir, const char* destDir, HWND owner, HWND progressLine)
{
    char dest[COPY_PATH_CHARS];
    char source[COPY_PATH_CHARS];
    // A path that does not fit would name some other file: such a row can only fail.
    bool destFits = JoinPath(dest, sizeof dest, destDir, row->destName);
    int sourceLen = std::snprintf(source, sizeof source, "%s%s", sourceDir, row->sourceName);
    bool sourceFits = sourceLen > 0 && static_cast<size_t>(sourceLen) < sizeof source;

    char text[MESSAGE_CHARS];
    LoadFormattedMessage(IDS_COPYING, text, sizeof text, source, dest);
    WriteLog(text);
    if (progressLine)
        SetWindowTextA(progressLine, text);
    PumpMessages();

    char diskCaption[MESSAGE_CHARS];
    LoadMessage(IDS_CHANGE_DISK, diskCaption, sizeof diskCaption);
    for (;;) {
        DWORD writeError = 0;
        int code = !sourceFits ? LZCOPY_NO_SOURCE : !destFits ? LZCOPY_NO_DEST : LzCopyFile(source, dest, &writeError);
        if (code == LZCOPY_OK) {
            currentDisk = row->disk;
            row->status |= STATUS_COPIED;
            return 0;
        }
        if (!AskAgain(owner, row, dest, code, writeError, diskCaption))
            break;
    }
    PumpMessages();
    return GiveUp(owner, row, dest, destDir);
}

int CopyFiles(HINSTANCE instance, HWND owner, const char* sourceDir, const char* programDir,
              const char* dataDir, const char* webDir)
{
    HWND progressLine = OpenProgressDialog(instance, owner);

    char countLine[64];
    std::snprintf(countLine, sizeof countLine, "installing %u files\n", static_cast<unsigned>(fileCount));
    WriteLog(countLine);
    // Loaded once for the whole copy. When it cannot be, every row fails as an
    // expansion that failed does, and the first required row ends the copy.
    LoadLzLibrary();

    const InstallDirs dirs = {programDir, dataDir, webDir};
    int i = 0;
    for (; i < fileCount && !installer.copyCancelled; ++i) {
        PayloadFile& row = fileTable[i];
        const char* destDir = InstalledDirectory(row.destDir, dirs);
        if (CopyOneFile(&row, sourceDir, destDir, owner, progressLine) != 0)
            break;
    }

    if (!installer.copyCancelled && progressLine) {
        char text[MESSAGE_CHARS];
        LoadMessage(IDS_CREATING_GROUP_ICONS, text, sizeof text);
        SetWindowTextA(progressLine, text);
    }
    // A cancelled copy is a failed installation, even when the last row went through.
    int result = (i == fileCount && !installer.copyCancelled) ? 1 : 0;

    FreeLzLibrary();
    CloseProgressDialog(owner);
    return result;
}
