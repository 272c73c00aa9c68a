// The shared library's own translation unit: everything it exports comes
// from oro_device_core, linked in whole.
#include "oro_ecd_api.h"
