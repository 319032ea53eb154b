#include "app/record.h"

SettingsRecord record;
int portalCulling;
int backfaceCull;
int stencilValid;
