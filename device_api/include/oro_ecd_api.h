/* oro_ecd_api: the device library's exported functions.
 *
 * Plain C functions with undecorated names. Results are 32-bit status codes:
 * 1 (or a count) for success, small negative numbers for failures. No export
 * lets an exception out. Ownership is stated per function.
 */
#ifndef ORO_ECD_API_H
#define ORO_ECD_API_H

#include <stdint.h>
#include <wchar.h>

#if defined(_WIN32)
#if defined(ORO_ECD_API_BUILD)
#define ORO_API __declspec(dllexport)
#else
#define ORO_API __declspec(dllimport)
#endif
#else
#define ORO_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
#define ORO_OK 1
#define ORO_ERR_NO_DEVICE (-1)
#define ORO_ERR_INVALID_TYPE (-2)
#define ORO_ERR_UNREGISTER (-3)
/* A null record or block pointer, or a settings store that refused the write. */
#define ORO_ERR_INVALID_ARGUMENT (-6)
#define ORO_ERR_STORE (-7)

/* Flow of an endpoint. */
#define ORO_FLOW_RENDER 0
#define ORO_FLOW_CAPTURE 1

/* Endpoint volume and mute of the default multimedia endpoint of a flow.
 * _SetVolum takes (volume percent, flow); a third argument some callers pass
 * is ignored. _getVolum gives 50 and _GetMasterMute 0 when nothing can be read. */
ORO_API int32_t _SetVolum(int32_t volume, int32_t flow, ...);
ORO_API int32_t _getVolum(int32_t flow);
ORO_API int32_t _SetMasterMute(int32_t mute, int32_t flow);
ORO_API int32_t _GetMasterMute(int32_t flow);

/* Helper programs by executable file name (no folder), compared ignoring
 * case. _start_task starts folder/name (or "InstallPath"/name) with the
 * parameters split like a command line, without waiting; a failure is printed
 * as "failed start PATH,err=TEXT". The show command is accepted and ignored. */
ORO_API void _start_task(const wchar_t* name, const wchar_t* parameters, int32_t show_command, const wchar_t* folder);
ORO_API void _kill_task(const wchar_t* name);
ORO_API int32_t _is_task_running(const wchar_t* name);

/* 1 when the process holds the kit's administrator rights (on Linux: it may
 * administer the kit's settings store); _RestartAsAdmin gives 1 when an
 * elevated start of the same program was launched (the caller then ends). */
ORO_API int32_t _IsRunningAsAdmin(void);
ORO_API int32_t _RestartAsAdmin(void);

/* Single instance. _IsAlreadyRun gives 1 when another holder (also of another
 * user) has the named mutex, else 0 and the caller holds it until it ends.
 * _IsGlobalMutexExist gives 0 when the mutex exists, -1 when it does not,
 * else the error code of the failed open. */
ORO_API int32_t _IsAlreadyRun(const wchar_t* name);
ORO_API int32_t _IsGlobalMutexExist(const wchar_t* name);

/* Debug output: one line of at most 255 characters. */
ORO_API void _dbg(const char* format, ...);
ORO_API void _dbgw(const wchar_t* format, ...);

/* Device record and property blocks. The record (944 bytes) belongs to the
 * caller; the shared section behind its handle belongs to the library from
 * getDeviceInfo to releaseDeviceInfo. */
ORO_API int32_t getDeviceInfo(int32_t index, void* record);
ORO_API int32_t setDeviceProperty(void* record, int32_t type, const void* block);
ORO_API int32_t releaseDeviceInfo(void* record);

#ifdef __cplusplus
}
#endif

#endif /* ORO_ECD_API_H */
