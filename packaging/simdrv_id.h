// How the simulated driver that the package ships names itself in its
// version resource; the installer's check tells it from the device maker's
// driver by this product name.
#pragma once

#define KW_SIMDRV_PRODUCT "Brennholt Kestrelwing simulated devices"
