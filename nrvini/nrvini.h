/* NRVINI: private-profile functions over the library's own INI parser, with
   the argument order and buffer conventions of the system's profile functions;
   a debug session switched on by NRVDEBUG.INI on a diskette; a search for the
   CD-ROM drive; the registration of COM servers. Every profile call reads the
   file afresh; a write is on disk when the call returns. Usable from C and
   C++. (DllMain is exported too but is not for callers.) */
#ifndef NRVINI_NRVINI_H
#define NRVINI_NRVINI_H

#include <stdint.h>

#if defined(_WIN32)
#define NRVINI_CALL __stdcall
#else
#define NRVINI_CALL
#endif

#if defined(_WIN32) && defined(NRVINI_BUILDING_DLL)
#define NRVINI_EXPORT __declspec(dllexport)
#else
#define NRVINI_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Value of a key, or with key NULL the keys of a section, or with section NULL
   the section names, as a double-NUL list. Characters stored, see the notes. */
NRVINI_EXPORT uint32_t NRVINI_CALL NrvGetPrivateProfileString(const char* section, const char* key,
                                                             const char* defaultText, char* buffer,
                                                             uint32_t size, const char* file);
/* Returned as the bit pattern of a signed 32-bit value. */
NRVINI_EXPORT uint32_t NRVINI_CALL NrvGetPrivateProfileInt(const char* section, const char* key,
                                                          int32_t defaultValue, const char* file);
NRVINI_EXPORT uint32_t NRVINI_CALL NrvGetPrivateProfileSection(const char* section, char* buffer,
                                                              uint32_t size, const char* file);
NRVINI_EXPORT uint32_t NRVINI_CALL NrvGetPrivateProfileSectionNames(char* buffer, uint32_t size,
                                                                   const char* file);
/* 1 on success, 0 on failure and whenever the file had to be created. */
NRVINI_EXPORT int32_t NRVINI_CALL NrvWritePrivateProfileString(const char* section, const char* key,
                                                              const char* value, const char* file);
NRVINI_EXPORT int32_t NRVINI_CALL NrvWritePrivateProfileSection(const char* section, const char* list,
                                                               const char* file);
/* Lookups stop at the section "[name]" and new sections go in front of it. */
NRVINI_EXPORT void NRVINI_CALL NrvIniSetLastSection(const char* name);

/* Starts the debug session when NRVDEBUG.INI in the root of B: (or, when B:
   has no disk, of drive, a letter "A" to "Z" or 0 for A:) holds [DEBUG]
   Debug other than OFF. force: probe the drives again instead of answering
   from the last probe. 1 while a session runs, else 0. */
NRVINI_EXPORT int32_t NRVINI_CALL InitDebugSession(uint8_t drive, int32_t force);
NRVINI_EXPORT int32_t NRVINI_CALL DebugMode(void);
/* The drive letter if a disk is in the drive (a letter or a drive number,
   0 for A:), else 0. Only the first call after InitDebugSession with force
   (or the very first call) asks the drive; the others give its answer. */
NRVINI_EXPORT char NRVINI_CALL DebugDisketteAvailable(uint8_t drive);
/* The debug INI functions do nothing and return 0 until a session runs. The
   buffer holds size characters and a NUL, or 1024 bytes when size is 0. */
NRVINI_EXPORT int32_t NRVINI_CALL GetDebugINIString(const char* section, const char* key, char* buffer,
                                                    uint16_t size, const char* defaultText);
/* Stores the low 16 bits of the decimal value read. */
NRVINI_EXPORT int32_t NRVINI_CALL GetDebugINIInt(const char* section, const char* key, uint16_t* result,
                                                 uint16_t defaultValue);
NRVINI_EXPORT int32_t NRVINI_CALL SetDebugINIString(const char* section, const char* key, const char* value);
NRVINI_EXPORT int32_t NRVINI_CALL SetDebugINIInt(const char* section, const char* key, uint16_t value);
/* The first CD-ROM drive from drive (a letter) up to Z (z for a lower-case
   letter), or 0. */
NRVINI_EXPORT uint8_t NRVINI_CALL FindCDROM(uint8_t drive);
/* Calls DllRegisterServer (doRegister non-zero) or DllUnregisterServer of the
   library; its result, or an HRESULT for the failure. */
NRVINI_EXPORT int32_t NRVINI_CALL RegisterServer(const char* path, int32_t doRegister);

/* For callers that find the functions with GetProcAddress. */
typedef uint32_t(NRVINI_CALL* NrvGetPrivateProfileStringFn)(const char*, const char*, const char*, char*,
                                                            uint32_t, const char*);
typedef uint32_t(NRVINI_CALL* NrvGetPrivateProfileIntFn)(const char*, const char*, int32_t, const char*);
typedef uint32_t(NRVINI_CALL* NrvGetPrivateProfileSectionFn)(const char*, char*, uint32_t, const char*);
typedef uint32_t(NRVINI_CALL* NrvGetPrivateProfileSectionNamesFn)(char*, uint32_t, const char*);
typedef int32_t(NRVINI_CALL* NrvWritePrivateProfileStringFn)(const char*, const char*, const char*,
                                                             const char*);
typedef int32_t(NRVINI_CALL* NrvWritePrivateProfileSectionFn)(const char*, const char*, const char*);
typedef void(NRVINI_CALL* NrvIniSetLastSectionFn)(const char*);
typedef int32_t(NRVINI_CALL* InitDebugSessionFn)(uint8_t, int32_t);
typedef int32_t(NRVINI_CALL* DebugModeFn)(void);
typedef char(NRVINI_CALL* DebugDisketteAvailableFn)(uint8_t);
typedef int32_t(NRVINI_CALL* GetDebugINIStringFn)(const char*, const char*, char*, uint16_t, const char*);
typedef int32_t(NRVINI_CALL* GetDebugINIIntFn)(const char*, const char*, uint16_t*, uint16_t);
typedef int32_t(NRVINI_CALL* SetDebugINIStringFn)(const char*, const char*, const char*);
typedef int32_t(NRVINI_CALL* SetDebugINIIntFn)(const char*, const char*, uint16_t);
typedef uint8_t(NRVINI_CALL* FindCDROMFn)(uint8_t);
typedef int32_t(NRVINI_CALL* RegisterServerFn)(const char*, int32_t);

#ifdef __cplusplus
}
#endif

#endif /* NRVINI_NRVINI_H */
