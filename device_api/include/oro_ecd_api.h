/* oro_ecd_api: the device library's exported functions.
 *
 * Plain C functions with undecorated names. Most return a 32-bit status:
 * 1 (or a count) for success and one of the negative ORO_ERR_ codes below for
 * a failure. Some do not: the volume exports give 1 or 0, or a reading with
 * a fallback value, and init gives 0. Each function says exactly what it
 * returns, which arguments it ignores and who owns what. No export lets an
 * exception out.
 */
#ifndef ORO_ECD_API_H
#define ORO_ECD_API_H

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#if defined(_WIN32)
#if defined(ORO_ECD_API_BUILD)
#define ORO_API __declspec(dllexport)
#elif defined(ORO_ECD_API_STATIC) /* linked in from the static library (tests, oroctl) */
#define ORO_API
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
/* The audio service could not be restarted after the endpoints changed. */
#define ORO_ERR_RESTART (-5)
/* A null record or block pointer, or a settings store that refused the write. */
#define ORO_ERR_INVALID_ARGUMENT (-6)
#define ORO_ERR_STORE (-7)
/* A device that did not answer within its bound, or that went away. */
#define ORO_ERR_TIMEOUT (-8)
#define ORO_ERR_DEVICE_LOST (-9)

/* Size in bytes of the device record getDeviceInfo fills. */
#define ORO_DEVICE_INFO_SIZE 944

/* Flow of an endpoint. */
#define ORO_FLOW_RENDER 0
#define ORO_FLOW_CAPTURE 1

/* Endpoint volume and mute of the default multimedia endpoint of a flow
 * (ORO_FLOW_RENDER or ORO_FLOW_CAPTURE; any other flow fails like a missing
 * endpoint). None of these returns a negative code.
 *
 * _SetVolum(volume, flow, ...): volume in percent, 0 to 100. Arguments after
 * flow are ignored (some callers pass a third). 1 when set; 0 when there is
 * no usable endpoint, the volume is outside 0 to 100 or the system refused it.
 * _getVolum(flow): the volume in percent, 0 to 100; 50 when it cannot be read,
 * which a caller cannot tell from a real 50.
 * _SetMasterMute(mute, flow): any non-zero mute mutes. 1 when set, 0 when not.
 * _GetMasterMute(flow): 1 muted; 0 unmuted, and also when nothing can be read. */
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

/* Debug output: one printf-style line of at most 255 characters, cut there.
 * A null format writes nothing. No result. */
ORO_API void _dbg(const char* format, ...);
ORO_API void _dbgw(const wchar_t* format, ...);

/* Set-up and removal. init creates the kit's key, installs the processing
 * object on the supported devices' endpoints, records the program's folder as
 * "InstallPath" and creates missing property blocks; it returns 0.
 * unInit ends the audio engine, unregisters the processing object beside the
 * program (ORO_ERR_UNREGISTER, with nothing else changed, when that fails),
 * removes it from the endpoints and deletes the blocks and "InstallPath";
 * it returns ORO_OK, or ORO_ERR_STORE when the settings store failed.
 * getDeviceCount gives the number of supported devices present (0 to 24). */
ORO_API int32_t init(void);
ORO_API int32_t unInit(void);
ORO_API int32_t getDeviceCount(void);

/* Device record and property blocks. The record (ORO_DEVICE_INFO_SIZE bytes)
 * belongs to the caller; the shared section behind its handle belongs to the
 * library from getDeviceInfo to releaseDeviceInfo.
 *
 * getDeviceInfo(index, record): index is ignored. Fills the record (stored
 * blocks over defaults; the defaults alone when the settings store cannot be
 * read, so a panel can still run) and publishes blocks 1 and 2 in the shared
 * section. ORO_OK; ORO_ERR_INVALID_ARGUMENT for a null record;
 * ORO_ERR_STORE when the record could not be made at all.
 * setDeviceProperty(record, type, block): type 1, 2 or 3 with a block of 32,
 * 575 or 32 bytes. ORO_OK; ORO_ERR_INVALID_TYPE for another type (nothing
 * changes); ORO_ERR_INVALID_ARGUMENT for a null record or block;
 * ORO_ERR_STORE when the record and the section took the block but the
 * settings store did not keep it.
 * releaseDeviceInfo(record): ORO_OK, also for a record already released (its
 * handle field keeps its value); ORO_ERR_INVALID_ARGUMENT for a null record. */
ORO_API int32_t getDeviceInfo(int32_t index, void* record);
ORO_API int32_t setDeviceProperty(void* record, int32_t type, const void* block);
ORO_API int32_t releaseDeviceInfo(void* record);

/* The headset link. Each call finds the interface afresh (vendor and product
 * 0 match any; interface number and report ID both 0 match nothing), works
 * and closes it; nothing stays open between calls. Payloads are the bytes
 * after the report ID; the caller's buffers are 64 bytes.
 *
 * _hid_trans_data writes `out` (when given) and reads the reply into `in`
 * (when given; up to five reads of 10 ms each): 1 with a whole reply, 0 when
 * none came, -1 when no interface matches or the device went away. Only the
 * bytes received are copied into `in`, never more than 64. */
ORO_API int32_t _hid_trans_data(uint32_t vendor_id, uint32_t product_id, uint32_t interface_number, uint32_t report_id,
                                const uint8_t* out, uint8_t* in);
/* 1 when a matching interface opens, else -1. */
ORO_API int32_t _is_usb_connected(uint32_t vendor_id, uint32_t product_id, uint32_t interface_number,
                                  uint32_t report_id);
/* 1 and the identity of the first supported device present; 0 when none, and
 * then the outputs are left as they were. Each pointer may be null. */
ORO_API int32_t _find_usb_device(uint32_t* vendor_id, uint32_t* product_id, uint32_t* interface_number,
                                 uint32_t* report_id);

/* The hidapi interface, served over the kit's own HID bus (the library
 * cannot also link a library that exports these names). Strings and lists
 * returned belong to the library until freed with their own function or the
 * device is closed. Feature reports and indexed strings are not offered by
 * the bus: those calls return -1 and hid_error says so. */
struct hid_device_;
typedef struct hid_device_ hid_device;
struct hid_device_info {
  char* path;
  unsigned short vendor_id;
  unsigned short product_id;
  wchar_t* serial_number;
  unsigned short release_number;
  wchar_t* manufacturer_string;
  wchar_t* product_string;
  unsigned short usage_page;
  unsigned short usage;
  int interface_number;
  struct hid_device_info* next;
  int bus_type;
};
ORO_API int hid_init(void);
ORO_API int hid_exit(void);
ORO_API struct hid_device_info* hid_enumerate(unsigned short vendor_id, unsigned short product_id);
ORO_API void hid_free_enumeration(struct hid_device_info* devs);
ORO_API hid_device* hid_open(unsigned short vendor_id, unsigned short product_id, const wchar_t* serial_number);
ORO_API hid_device* hid_open_path(const char* path);
/* The collection `collection` (1-based, as the class driver numbers them) of
 * interface `interface_number`; interface and collection both 0 take the
 * first interface of the device. Null when none fits or it cannot be opened. */
ORO_API hid_device* hid_open_intf_col(unsigned short vendor_id, unsigned short product_id,
                                      unsigned short interface_number, unsigned short collection);
/* data[0] is the report ID (0 for unnumbered reports). Bytes written, or -1. */
ORO_API int hid_write(hid_device* dev, const unsigned char* data, size_t length);
/* Bytes read (report ID first on numbered reports), 0 when nothing came
 * within milliseconds (-1: wait without limit), -1 on failure. */
ORO_API int hid_read_timeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds);
ORO_API int hid_read(hid_device* dev, unsigned char* data, size_t length);
ORO_API int hid_set_nonblocking(hid_device* dev, int nonblock);
ORO_API int hid_send_feature_report(hid_device* dev, const unsigned char* data, size_t length);
ORO_API int hid_get_feature_report(hid_device* dev, unsigned char* data, size_t length);
ORO_API void hid_close(hid_device* dev);
ORO_API int hid_get_manufacturer_string(hid_device* dev, wchar_t* string, size_t maxlen);
ORO_API int hid_get_product_string(hid_device* dev, wchar_t* string, size_t maxlen);
ORO_API int hid_get_serial_number_string(hid_device* dev, wchar_t* string, size_t maxlen);
ORO_API int hid_get_indexed_string(hid_device* dev, int string_index, wchar_t* string, size_t maxlen);
/* The last failure of dev, or of the last enumeration or open when dev is
 * null; null when there was none. */
ORO_API const wchar_t* hid_error(hid_device* dev);

#ifdef __cplusplus
}

/* Firmware update of the first supported device present: enters update mode
 * on the control collection (3), streams the image in 63-byte packets on the
 * data collection (4) at the device's pace and waits for its end status. The
 * callback (may be null) gets (context, value, stage) on the caller's thread:
 * 0 start, 1 opening, 2 entering update mode, 3 writing, 4 per cent of packets
 * sent, 5 waiting for the end, 6 the device's result code.
 * Result: the device's code (0 to 255); 0 also when no supported device is
 * present; -1 when the two collections cannot both be opened; ORO_ERR_INVALID_ARGUMENT
 * for a null image or a negative length (before any I/O); ORO_ERR_TIMEOUT when the device
 * does not answer in time; ORO_ERR_DEVICE_LOST when it goes away or refuses a report.
 * A C++ function, so its exported name is decorated. */
typedef void (*oro_fw_progress)(void* context, int32_t value, int32_t stage);
ORO_API int32_t _update_3031_fw(oro_fw_progress callback, void* context, const uint8_t* image, int32_t length,
                                int32_t mode);
#endif

#endif /* ORO_ECD_API_H */
