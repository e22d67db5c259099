/*
 * vestriosupport.h - the Vestrio support library, version 01.00.
 *
 * Windows: VESTRIOSUPPORT0100.DLL (import library libvestriosupport0100.dll.a)
 * Linux:   libvestriosupport0100.so
 *
 * This header is the one documentation of the library's contract.
 *
 * Conventions shared by every operation
 * -------------------------------------
 * - Every operation returns a 32-bit status (an HRESULT): 0 (VL_S_OK) on
 *   success, negative on failure. On failure nothing is yielded and the
 *   yield parameter is left as it was.
 * - An operation that yields a value hands it back through its last
 *   parameter, which must not be null (VL_E_POINTER otherwise).
 * - Texts are BSTRs: length-prefixed UTF-16 strings from the platform's
 *   string allocator (oleaut32 on Windows; on Linux the same three functions,
 *   SysAllocStringLen, SysStringLen and SysFreeString, are exported by this
 *   library with the same layout: a 32-bit byte count before the first
 *   character and a 16-bit NUL after the last). A null BSTR is the empty
 *   text. Texts may hold NULs and unpaired surrogates; they are kept as they
 *   are.
 * - A text the library yields is a new BSTR owned by the caller, who
 *   releases it with SysFreeString. A text the caller passes, by value or
 *   by reference (the address of the caller's BSTR), stays the caller's; the
 *   library never changes or frees it.
 * - Booleans passed in are VARIANT_BOOL: True is -1, False is 0; the library
 *   takes any non-zero value as True. Booleans yielded are VARIANT_BOOL, -1
 *   or 0; callers should test the low 16 bits only.
 * - Every operation may be called from any thread; none keeps state between
 *   calls except what is said below.
 */
#ifndef VESTRIOSUPPORT_H
#define VESTRIOSUPPORT_H

#include <stdint.h>

#ifdef _WIN32
#include <windows.h>
#include <oleauto.h>
typedef HWND VLHWND;
#define VLAPI __stdcall
/* Plain declarations for callers: the import library resolves them. */
#ifdef VESTRIOSUPPORT_BUILD
#define VLEXPORT __declspec(dllexport)
#else
#define VLEXPORT
#endif
#else
#ifndef __cplusplus
#include <uchar.h>
#endif
typedef char16_t OLECHAR;
typedef OLECHAR* BSTR;
typedef int16_t VARIANT_BOOL;
typedef uint32_t UINT;
/* The runtime's windows on Linux are process-local objects; see
   vlGetThunderMainHandle. */
typedef struct vlpWindow* VLHWND;
#define VLAPI
#define VLEXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Statuses. */
#define VL_S_OK 0
#define VL_E_POINTER ((int32_t)0x80004003)     /* a required pointer is null */
#define VL_E_INVALIDARG ((int32_t)0x80070057)  /* an argument is out of range */
#define VL_E_OUTOFMEMORY ((int32_t)0x8007000E) /* no memory for the result */
#define VL_E_FAIL ((int32_t)0x80004005)        /* the system call failed */
/* The named resource is not in the window's module. */
#define VL_E_RESOURCE_NOT_FOUND ((int32_t)0x80070716)
/* The calling thread has no runtime main window. */
#define VL_E_NO_WINDOW ((int32_t)0x80070578)

#define VL_TRUE ((VARIANT_BOOL)-1)
#define VL_FALSE ((VARIANT_BOOL)0)

/* The window class of the application runtime's invisible main window. */
#define VL_RUNTIME_MAIN_CLASS u"VestrioRuntimeMain"

#ifndef _WIN32
/* The platform's string allocator (Linux only; oleaut32 has them on
   Windows). SysAllocStringLen copies `len` characters from `text`, or
   zero-fills them when `text` is null; it returns null when out of memory. */
VLEXPORT BSTR SysAllocStringLen(const OLECHAR* text, UINT len);
VLEXPORT UINT SysStringLen(BSTR text);
VLEXPORT void SysFreeString(BSTR text);
#endif

/* ---- Start-up -------------------------------------------------------- */

/*
 * Records the absolute path of the running executable where the library
 * keeps such records, and yields that path.
 *   Windows: the default value of
 *     HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths\<name>.exe,
 *     and the event source <name> under the Application event log where the
 *     process may create it.
 *   Linux: a symbolic link named <name> to the executable in the directory
 *     vestrio/app-paths under $STATE_DIRECTORY, else $XDG_STATE_HOME, else
 *     ~/.local/state.
 * The record is a convenience for other tools of the family: where it cannot
 * be written (a read-only or missing home, a sandbox) the operation still
 * succeeds. Where the executable's path cannot be learnt (no /proc) it
 * yields an empty string and still succeeds.
 */
VLEXPORT int32_t VLAPI vlRegisterAppPath(BSTR* path);

/*
 * Yields True when the process runs under a development environment: a
 * debugger is attached (Windows: IsDebuggerPresent; Linux: a tracer such as
 * gdb or strace, as /proc/self/status reports it).
 */
VLEXPORT int32_t VLAPI vlIsInIDE(VARIANT_BOOL* result);

/*
 * Yields the application runtime's invisible main window of the calling
 * thread: the window of class VL_RUNTIME_MAIN_CLASS that the runtime created.
 * On Linux, where there is no window system here, the runtime keeps its
 * windows as process-local objects and exports vlpFindThreadWindow and its
 * companions (platform/posix/window.h) for this library to find them.
 * Fails with VL_E_NO_WINDOW when the thread has no such window.
 */
VLEXPORT int32_t VLAPI vlGetThunderMainHandle(VLHWND* window);

/*
 * Sets every icon of `window` from the icon group named *resource_name in
 * the window's module (the executable that created it). Windows: the large
 * and the small icon (WM_SETICON ICON_BIG and ICON_SMALL), each the group's
 * image that best fits the system's size. Linux: every image of the group is
 * attached to the window. Fails with VL_E_RESOURCE_NOT_FOUND when the module
 * has no such group or the group is malformed, VL_E_INVALIDARG for a null
 * window.
 */
VLEXPORT int32_t VLAPI vlSetWindowResIconAll(VLHWND window, BSTR* resource_name);

/* ---- Texts ----------------------------------------------------------- */

/*
 * Yields *text without its leading and trailing blanks. The blanks are the
 * space (U+0020) and the tab (U+0009).
 */
VLEXPORT int32_t VLAPI vlTrimEx(BSTR* text, BSTR* result);

/*
 * Yields *text without the leading and trailing characters of the classes
 * whose flag is True. A text made only of such characters yields the empty
 * text. The ten flags, in order:
 *   space       U+0020 space
 *   tab         U+0009 tab
 *   cr          U+000D carriage return
 *   lf          U+000A line feed
 *   nul         U+0000 NUL
 *   vtff        U+000B vertical tab and U+000C form feed
 *   nbsp        U+00A0, U+2007, U+202F no-break spaces
 *   unispace    the other Unicode space separators: U+1680, U+2000 to
 *               U+200A but U+2007, U+205F, U+3000
 *   zerowidth   U+200B to U+200D, U+2060 and U+FEFF
 *   control     the other C0 and C1 control characters, U+0001 to U+001F
 *               and U+007F to U+009F
 * Characters inside the text are never removed.
 */
VLEXPORT int32_t VLAPI vlTrimEx2(BSTR* text, VARIANT_BOOL space, VARIANT_BOOL tab, VARIANT_BOOL cr,
                                 VARIANT_BOOL lf, VARIANT_BOOL nul, VARIANT_BOOL vtff,
                                 VARIANT_BOOL nbsp, VARIANT_BOOL unispace, VARIANT_BOOL zerowidth,
                                 VARIANT_BOOL control, BSTR* result);

/* Yields `text` with every run of two or more spaces (U+0020) cut to one. */
VLEXPORT int32_t VLAPI vlDestroyDoubleSpaces(BSTR text, BSTR* result);

/* Yields *text without the CRs and LFs at its start and at its end. */
VLEXPORT int32_t VLAPI vlTrimCRLF(BSTR* text, BSTR* result);

/* ---- Date texts ------------------------------------------------------ */

/*
 * `date` is an OLE Automation date: days since 1899-12-30 00:00 with the time
 * of day as the fraction (for negative dates the fraction still counts
 * forward from midnight). Valid dates lie in the years 100 to 9999
 * (-657434.0 to 2958465.99999); others, NaN and infinities fail with
 * VL_E_INVALIDARG. The moment is rounded to the nearest millisecond.
 */

/* Yields the time of day of `date` as 24-hour "HH:MM:SS.mmm", e.g.
   "09:05:07.045". */
VLEXPORT int32_t VLAPI vlSystemTimeToStringTime2(double date, BSTR* result);

/*
 * Yields the date of `date`. `option` chooses the form:
 *   0  ISO 8601, "YYYY-MM-DD", e.g. "2026-07-03".
 * Other options are reserved and fail with VL_E_INVALIDARG.
 */
VLEXPORT int32_t VLAPI vlSystemTimeToStringDate2(double date, int16_t option, BSTR* result);

/* ---- Errors ---------------------------------------------------------- */

/* Yields the error code as an unsigned decimal number, e.g. "53". */
VLEXPORT int32_t VLAPI vlGetErrorNumber(int32_t code, BSTR* result);

/*
 * Yields the system's description of a Windows network or system error code.
 *   Windows: FormatMessage from the system, then from netmsg.dll for the
 *     network codes 2100 to 2999, with any trailing line break removed.
 *   Linux: the library's own texts for the codes that todsync's NetRemoteTOD
 *     can yield (5, 53, 64, 67, 121, 123, 126, 1003, 1225, 1231, 1232, 1326 and
 *     the other logon failures), else Samba's description of the code
 *     (libnetapi_errstr), which covers the Windows codes and libnetapi's own.
 * When no source knows the code the text still names it: "Unknown error
 * 12345 (0x00003039)." Never yields an empty text.
 */
VLEXPORT int32_t VLAPI vlGetAPIErrorDescription(int32_t code, BSTR* result);

/* ---- Privileges ------------------------------------------------------ */

/*
 * Enables (enable True) or disables (False) a privilege of the process, and
 * yields True when the privilege is now in the requested state.
 *   Windows: the privilege of the process token, by its name
 *     (LookupPrivilegeValue, AdjustTokenPrivileges); True only when it is
 *     really enabled afterwards, not when the token lacks it.
 *   Linux: the capability that stands for the privilege, raised in or
 *     lowered from the effective set with libcap; raising it yields True only
 *     when it is in the permitted set and is now effective. Known names
 *     (case-insensitive): SeSystemtimePrivilege (CAP_SYS_TIME),
 *     SeShutdownPrivilege (CAP_SYS_BOOT), SeBackupPrivilege
 *     (CAP_DAC_READ_SEARCH), SeRestorePrivilege (CAP_DAC_OVERRIDE),
 *     SeDebugPrivilege (CAP_SYS_PTRACE), SeIncreaseBasePriorityPrivilege
 *     (CAP_SYS_NICE).
 * An unknown privilege name yields False; it is not a failure.
 */
VLEXPORT int32_t VLAPI vlSetPrivilegeForProcess(BSTR privilege_name, VARIANT_BOOL enable,
                                                VARIANT_BOOL* result);

/* ---- Log ------------------------------------------------------------- */

/*
 * Stores *text as one log entry of the information kind (vlLogInfo) or the
 * error kind (vlLogError), under the name of the running executable, and
 * yields the path of the plain-text log file.
 *
 * The entry goes to every one of:
 *   Windows: the Application event log (ReportEvent, source <name>, type
 *     information or error, one event whose message is the whole text).
 *   Linux: the system log (the /dev/log socket, facility user, priority info
 *     or err, one message whose lines are the text's lines, cut at 16 KiB
 *     with a closing line that says how many characters were left out and
 *     which file holds the whole entry).
 *   Both: the plain-text log file, and, on Linux, standard error (not when
 *     standard error is the journal that the system log reached already).
 * No place can hold the caller up for long or end the process: standard
 * error and the system log are given up on after 2 s each, the file is
 * opened without blocking and only if it is a regular file, and SIGPIPE and
 * SIGXFSZ are ignored while the entry is stored.
 *
 * The log file is, in this order of choice:
 *   $VESTRIO_LOG_FILE when it is set and not empty;
 *   Windows: %ProgramData%\Vestrio\Logs\<name>.log, else
 *            %LOCALAPPDATA%\Vestrio\Logs\<name>.log;
 *   Linux:   /var/log/vestrio/<name>.log when that directory is writable or
 *            can be created, else
 *            ${XDG_STATE_HOME:-~/.local/state}/vestrio/<name>.log.
 * In the file each entry starts with a header line
 *   "YYYY-MM-DD HH:MM:SS.mmm +HHMM <name>[<pid>] information" (or "error")
 * followed by the text's lines and one empty line. The text's CR LF pairs
 * end lines, and empty lines are left out; any other control character but
 * the tab is written out visibly: C0 controls and DEL in caret notation (^J
 * for a lone LF), C1 controls and U+2028/U+2029 as <U+0085>, bytes 0x80
 * to 0x9F that were not UTF-8 as <0x9B>. So one entry is always one block
 * of lines that no text can end or drive a terminal with. The entry is
 * appended with one write; the file is never reached through a symbolic
 * link at its end. *log_file yields the file's path, or an empty string
 * when the file could not be written.
 *
 * The operation fails (VL_E_FAIL) only when the entry reached none of its
 * places. A place that fails is reported on standard error (Linux) or in the
 * event log (Windows).
 */
VLEXPORT int32_t VLAPI vlLogInfo(BSTR* text, BSTR* log_file);
VLEXPORT int32_t VLAPI vlLogError(BSTR* text, BSTR* log_file);

#ifdef __cplusplus
}
#endif

#endif /* VESTRIOSUPPORT_H */
