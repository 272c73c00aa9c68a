/* An entry "a|b" is found under either name: exports whose names carry their
 * parameter types are looked up by that decorated form too. */
/* A C program that uses the device library as a plain C caller would: it
 * loads the library with dlopen, looks up every export by name, and can call
 * the set-up exports. Usage:
 *   c_export_probe LIBRARY list          every export present (exit 0) or the missing ones (exit 1)
 *   c_export_probe LIBRARY count|init|uninit   prints the export's result */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

static const char* const kExports[] = {"init",
                                       "unInit",
                                       "getDeviceCount",
                                       "getDeviceInfo",
                                       "setDeviceProperty",
                                       "releaseDeviceInfo",
                                       "_SetVolum",
                                       "_getVolum",
                                       "_SetMasterMute",
                                       "_GetMasterMute",
                                       "_start_task",
                                       "_kill_task",
                                       "_is_task_running",
                                       "_IsRunningAsAdmin",
                                       "_RestartAsAdmin",
                                       "_IsGlobalMutexExist",
                                       "_IsAlreadyRun",
                                       "_dbg",
                                       "_dbgw",
                                       "_hid_trans_data",
                                       "_is_usb_connected",
                                       "_find_usb_device",
                                       "_update_3031_fw|_Z15_update_3031_fwPFvPviiES_PKhii",
                                       "hid_init",
                                       "hid_exit",
                                       "hid_enumerate",
                                       "hid_free_enumeration",
                                       "hid_open",
                                       "hid_open_path",
                                       "hid_write",
                                       "hid_read_timeout",
                                       "hid_read",
                                       "hid_set_nonblocking",
                                       "hid_send_feature_report",
                                       "hid_get_feature_report",
                                       "hid_close",
                                       "hid_get_manufacturer_string",
                                       "hid_get_product_string",
                                       "hid_get_serial_number_string",
                                       "hid_get_indexed_string",
                                       "hid_error",
                                       "hid_open_intf_col"};

typedef int32_t (*NoArgs)(void);

/* Whether any of the '|'-separated names is exported. */
static int Present(void* lib, const char* names) {
  char one[128];
  const char* start = names;
  for (;;) {
    const char* bar = strchr(start, '|');
    const size_t n = bar ? (size_t)(bar - start) : strlen(start);
    if (n >= sizeof one) return 0;
    memcpy(one, start, n);
    one[n] = 0;
    if (dlsym(lib, one)) return 1;
    if (!bar) return 0;
    start = bar + 1;
  }
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: c_export_probe LIBRARY list|count|init|uninit\n");
    return 2;
  }
  void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
    return 1;
  }
  int status = 0;
  if (strcmp(argv[2], "list") == 0) {
    size_t found = 0;
    for (size_t i = 0; i < sizeof kExports / sizeof kExports[0]; ++i) {
      if (Present(lib, kExports[i])) {
        ++found;
      } else {
        printf("missing %s\n", kExports[i]);
        status = 1;
      }
    }
    printf("%zu of %zu exports\n", found, sizeof kExports / sizeof kExports[0]);
  } else {
    const char* name = strcmp(argv[2], "count") == 0    ? "getDeviceCount"
                       : strcmp(argv[2], "init") == 0   ? "init"
                       : strcmp(argv[2], "uninit") == 0 ? "unInit"
                                                        : NULL;
    NoArgs fn = name ? (NoArgs)dlsym(lib, name) : NULL;
    if (!fn) {
      fprintf(stderr, "no export for %s\n", argv[2]);
      status = 2;
    } else {
      printf("%d\n", (int)fn());
    }
  }
  dlclose(lib);
  return status;
}
