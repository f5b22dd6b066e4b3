/* The interface of the archive library kel.lib, as the engine includes it. kel.lib is a 32-bit
   Windows DLL that reads 7z archives; it exports four functions with the standard Windows calling
   convention under undecorated names. Every text is an 8-bit C string in the system (ANSI) code
   page; entry paths use backslashes. Nothing here needs <windows.h>: the header is shared by the
   library, the engine, and the host tests of the portable parts.

   Threads: the calls are independent of each other and may run on several threads at once. The
   callbacks of a call run on the calling thread, before the call returns. The error code read by
   GetLastArchiveError belongs to the calling thread.

   Callback answers and the mode argument
   --------------------------------------
   Password callback     asked when a coder needs a password and the password argument was empty
                         or did not fit; writes a C string of at most KEL_PASSWORD_BUFFER_SIZE - 1
                         bytes into the buffer and answers 1, or answers 0 when it has none.
   Progress callback     called before each file, about every MiB and at the end, with the entry
                         path being written and the bytes done and in total over the whole call
                         (total is 0 when only empty files and folders are extracted). Answer 1 to
                         go on, 0 to stop: the call then ends with KEL_ERROR_CANCELLED and deletes
                         the file it was writing.
   File-done callback    (the second callback) called after each entry: the output path and one
                         of the KEL_FILE_* outcomes. Answer 1 to go on, 0 to stop as above.
   Replace callback      (the question callback) asked in mode 1 when a file to be written exists
                         already: the existing file's path, size and time (UTC FILETIME) and the
                         archive entry's path, size and time, 64-bit values split into low and
                         high halves. Answers: KEL_REPLACE_SKIP (1) keep the existing file,
                         KEL_REPLACE_YES (2) replace it, KEL_REPLACE_SKIP_ALL (3) keep this and
                         every later existing file without asking, KEL_REPLACE_ALL (4) replace this
                         and every later one without asking, KEL_REPLACE_CANCEL (0) stop the call
                         (KEL_ERROR_CANCELLED). Any other answer counts as 1.
   Mode argument         1: ask the replace callback before replacing an existing file;
                         0: replace existing files without asking.
   A null callback pointer means: no password / always go on / replace all.

   Replacing a file clears its read-only attribute first. Files get the archive's modification
   time and attributes (read-only, hidden, system, archive and not-indexed); folders get their
   time. A file whose data fails the CRC check is deleted and the call fails. Every entry path is
   checked before anything is written: an absolute path, a drive or server name, "." or ".."
   components, empty components, device names or characters Windows refuses make the whole call
   fail with KEL_ERROR_ILLEGAL_PATH, and nothing is written. */
#ifndef KEL_ARCHIVE_H
#define KEL_ARCHIVE_H

#include <stdint.h>

#if defined(_WIN32)
#define KEL_ARCHIVE_CALL __stdcall
#else
#define KEL_ARCHIVE_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Codes of GetLastArchiveError. */
enum KelArchiveError {
    KEL_ERROR_NONE = 0,
    KEL_ERROR_ARCHIVE_NOT_FOUND = 1001,  /* the archive file does not exist */
    KEL_ERROR_ILLEGAL_PATH = 1002,       /* an entry or a requested path is unsafe or invalid */
    KEL_ERROR_CANNOT_OPEN = 1003,        /* not a 7z archive, damaged header, or the header
                                            needs a password that was not given or is wrong */
    KEL_ERROR_CRC_MISMATCH = 1004,       /* a file's data does not match its CRC */
    KEL_ERROR_WRITE_FAILED = 1005,       /* an output file or folder could not be written */
    KEL_ERROR_UNSUPPORTED_METHOD = 1006, /* a file uses a compression method or filter this
                                            library does not decode */
    KEL_ERROR_CANCELLED = 1007,          /* a callback answered stop */
    KEL_ERROR_ENTRY_NOT_FOUND = 1008,    /* a requested path is not in the archive */
    KEL_ERROR_INVALID_ARGUMENT = 1009,   /* null path, unknown handle, unknown option value */
    KEL_ERROR_CORRUPT_DATA = 1010,       /* compressed data is damaged or truncated */
    KEL_ERROR_OUT_OF_MEMORY = 1011,      /* a decoder needs more memory than can be had */
    KEL_ERROR_READ_FAILED = 1012,        /* the archive file could not be read */
    KEL_ERROR_INTERNAL = 1013            /* an unexpected failure inside the library */
};

/* Outcomes given to the file-done callback. */
enum KelFileOutcome {
    KEL_FILE_WRITTEN = 1,
    KEL_FILE_KEPT = 2, /* it existed and the replace callback said keep */
    KEL_FILE_FOLDER_CREATED = 3
};

/* Answers of the replace callback. */
enum KelReplaceAnswer {
    KEL_REPLACE_CANCEL = 0,
    KEL_REPLACE_SKIP = 1,
    KEL_REPLACE_YES = 2,
    KEL_REPLACE_SKIP_ALL = 3,
    KEL_REPLACE_ALL = 4
};

#define KEL_PASSWORD_BUFFER_SIZE 256

/* Entry flags at offset 28 of a record. */
#define KEL_ENTRY_FOLDER 0x1u
#define KEL_ENTRY_HAS_CRC 0x2u

/* One entry of a listing: 48 bytes, records consecutive.
   offset  0  path inside the archive (C string, owned by the listing handle)
   offset  8  size in bytes
   offset 16  packed size: the packed size of the entry's solid block on its first file, else 0
   offset 24  CRC32 of the data when flags has KEL_ENTRY_HAS_CRC
   offset 28  flags (KEL_ENTRY_*)
   offset 32  modification time, Windows FILETIME in UTC (0 when the archive has none)
   offset 40  attributes as stored in the archive (Windows attribute bits in the low 16 bits;
              0x10 is always set for folders)
   offset 44  reserved, 0 */
typedef struct KelArchiveEntry {
    union {
        const char* path;
        uint64_t pathSlot; /* keeps the record layout the same for every pointer width */
    };
    uint64_t size;
    uint64_t packedSize;
    uint32_t crc;
    uint32_t flags;
    uint64_t modified;
    uint32_t attributes;
    uint32_t reserved;
} KelArchiveEntry;

/* The set of entries to extract: paths as a listing gives them, or patterns in which '?' stands
   for one character and '*' for any run of characters (a listing shows a character the code page
   lacks as '?', so its names always find their entry). Letter case and '/' or '\' do not matter.
   A path that matches no entry fails the call (KEL_ERROR_ENTRY_NOT_FOUND), an unsafe one too
   (KEL_ERROR_ILLEGAL_PATH). The caller owns the strings. */
typedef struct KelTargetFiles {
    const char* const* paths;
    uint32_t count;
} KelTargetFiles;

typedef struct KelArchiveListing* KelListHandle;

typedef int32_t(KEL_ARCHIVE_CALL* KelPasswordCallback)(char* buffer);
typedef int32_t(KEL_ARCHIVE_CALL* KelProgressCallback)(const char* path, uint64_t done,
                                                       uint64_t total);
typedef int32_t(KEL_ARCHIVE_CALL* KelFileDoneCallback)(const char* path, int32_t outcome);
typedef int32_t(KEL_ARCHIVE_CALL* KelReplaceCallback)(
    const char* existingPath, uint32_t existingSizeLow, uint32_t existingSizeHigh,
    uint32_t existingTimeLow, uint32_t existingTimeHigh, const char* entryPath,
    uint32_t entrySizeLow, uint32_t entrySizeHigh, uint32_t entryTimeLow, uint32_t entryTimeHigh);

/* Reads the archive's table of contents. listOptions: 0 (the only value: every entry, folders
   included); reserved1..3: pass 0, ignored. password may be null. On success gives the records in
   *entries (valid until CloseListArchive) and their number in *count, and answers a non-zero
   handle; on failure answers 0 and sets the error code. */
KelListHandle KEL_ARCHIVE_CALL OpenListArchive(const char* archivePath, int32_t listOptions,
                                               KelPasswordCallback passwordCallback,
                                               void* reserved1, void* reserved2, void* reserved3,
                                               const char* password,
                                               const KelArchiveEntry** entries, uint32_t* count);

/* Frees a listing. Null and unknown handles are ignored. */
void KEL_ARCHIVE_CALL CloseListArchive(KelListHandle handle);

/* Extracts entries into outputFolder (created when missing). pathOptions: 1 recreates the
   archive's folders under outputFolder, 0 writes every file directly into it (folder entries are
   then skipped). targets: the entries to extract, or null for all. mode: see above. Answers
   non-zero on success, 0 on failure with the error code set. */
int32_t KEL_ARCHIVE_CALL ExtractArchive(const char* archivePath, int32_t pathOptions,
                                        const char* outputFolder, const KelTargetFiles* targets,
                                        int32_t mode, const char* password,
                                        KelPasswordCallback passwordCallback,
                                        KelProgressCallback progressCallback,
                                        KelFileDoneCallback fileDoneCallback,
                                        KelReplaceCallback replaceCallback);

/* The code of the calling thread's last failed call, KEL_ERROR_NONE after a successful one.
   reserved: pass 0. */
int32_t KEL_ARCHIVE_CALL GetLastArchiveError(int32_t reserved);

#ifdef __cplusplus
}
#endif

#endif
