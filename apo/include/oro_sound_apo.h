/* OroSoundAPO: stand-in for the audio processing object.
 *
 * Built as "OroSoundAPO.so" or "OroSoundAPO.dll" (no "lib" prefix: the file keeps the object's
 * own name, with the platform's extension, so installers find it beside the
 * program that registers it). Results are HRESULT-style 32-bit codes.
 */
#ifndef ORO_SOUND_APO_H
#define ORO_SOUND_APO_H

#include <stdint.h>

#if defined(_WIN32)
#if defined(ORO_SOUND_APO_BUILD)
#define ORO_APO_API __declspec(dllexport)
#else
#define ORO_APO_API __declspec(dllimport)
#endif
#else
#define ORO_APO_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define ORO_APO_S_OK ((int32_t)0)
/* Registration or removal of a class failed (the store refused). */
#define ORO_APO_SELFREG_E_CLASS ((int32_t)0x80040201)
/* A null pointer where one is required. */
#define ORO_APO_E_POINTER ((int32_t)0x80004003)
/* Nobody has created the section. */
#define ORO_APO_E_NOT_FOUND ((int32_t)0x80070002)
/* The section exists but cannot be opened or does not carry the blocks. */
#define ORO_APO_E_ACCESS_DENIED ((int32_t)0x80070005)
#define ORO_APO_E_INVALID_DATA ((int32_t)0x8007000D)

/* Class registration in the settings store of the environment's platform
 * (ORO_PLATFORM, ORO_ROOT): the stream effect
 * {7E473820-7159-4426-A7D7-123DD7EB697D} and the endpoint effect
 * {D2C675CA-6F7D-446C-BE57-296224C134A6}, each under
 * HKEY_LOCAL_MACHINE\SOFTWARE\Classes\CLSID\{id} with this file's path, and
 * under ...\Classes\AudioEngine\AudioProcessingObjects\{id} naming the default
 * processing mode. Removing classes that are not registered succeeds. */
ORO_APO_API int32_t DllRegisterServer(void);
ORO_APO_API int32_t DllUnregisterServer(void);

/* The parameter section, opened by name and held until closed. */
typedef struct OroApoSection OroApoSection;
ORO_APO_API int32_t OroApoOpenSection(OroApoSection** out);
/* Copies the payload capacity, block 1 (32 bytes) and block 2 (575 bytes);
 * any output may be null. A copy is retried while the writer is seen
 * changing the blocks underneath. */
ORO_APO_API int32_t OroApoReadBlocks(OroApoSection* section, int32_t* capacity, void* block1, void* block2);
ORO_APO_API void OroApoCloseSection(OroApoSection* section);

#ifdef __cplusplus
}
#endif

#endif /* ORO_SOUND_APO_H */
