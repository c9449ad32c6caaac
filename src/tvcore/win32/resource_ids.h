// Resource numbers of the library's icons, shared by the resource script and
// the code. String resources are numbered as string_table.inc says.
#pragma once

#define TVCORE_ICON_PRODUCT 100
