#!/usr/bin/env bash
# Checks the Windows deliverables' export tables with the toolchain's objdump:
# every export of the device library under its exact name, nothing C++ beyond
# the one export that carries its parameter types, and the processing
# object's registration entry points and section reader.
set -euo pipefail
bin=${1:?usage: check-exports.sh BUILD_DIR/bin}
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}

exports_of() {
  "$objdump" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p'
}

library=(init unInit getDeviceCount getDeviceInfo setDeviceProperty releaseDeviceInfo
  _SetVolum _getVolum _SetMasterMute _GetMasterMute
  _start_task _kill_task _is_task_running _IsRunningAsAdmin _RestartAsAdmin _IsGlobalMutexExist _IsAlreadyRun
  _dbg _dbgw _hid_trans_data _is_usb_connected _find_usb_device
  hid_init hid_exit hid_enumerate hid_free_enumeration hid_open hid_open_path hid_open_intf_col hid_write
  hid_read_timeout hid_read hid_set_nonblocking hid_send_feature_report hid_get_feature_report hid_close
  hid_get_manufacturer_string hid_get_product_string hid_get_serial_number_string hid_get_indexed_string hid_error)
# void (*)(void*, int, int), void*, const unsigned char*, int, int
decorated_update='_Z15_update_3031_fwPFvPviiES_PKhii'
apo=(DllRegisterServer DllUnregisterServer OroApoOpenSection OroApoReadBlocks OroApoCloseSection)

fail=0
check() {  # file, expected names...
  local file=$1
  shift
  local table
  table=$(exports_of "$file")
  for name in "$@"; do
    grep -qx -- "$name" <<<"$table" || { echo "check-exports: $(basename "$file") does not export $name" >&2; fail=1; }
  done
  local extra
  extra=$(grep -vxF -f <(printf '%s\n' "$@") <<<"$table" || true)
  if [ -n "$extra" ]; then
    echo "check-exports: $(basename "$file") exports what it should not:" >&2
    echo "$extra" | sed 's/^/  /' >&2
    fail=1
  fi
}
check "$bin/oro_ecd_api.dll" "${library[@]}" "$decorated_update"
check "$bin/OroSoundAPO.dll" "${apo[@]}"
[ $fail -eq 0 ] && echo "check-exports: oro_ecd_api.dll (${#library[@]} plain names and _update_3031_fw) and OroSoundAPO.dll export what they should"
exit $fail
