/* NRVINI: private-profile functions over the library's own INI parser, with
   the argument order and buffer conventions of the system's profile functions.
   Every call reads the file afresh; a write is on disk when the call returns.
   Usable from C and C++. (DllMain is exported too but is not for callers.) */
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

#ifdef __cplusplus
}
#endif

#endif /* NRVINI_NRVINI_H */
