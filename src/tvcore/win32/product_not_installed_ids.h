// Resource numbers of the "Product Not Installed" dialog, shared by its
// resource script and its code.
#pragma once

#define IDD_PRODUCT_NOT_INSTALLED 200
#define IDC_PRODUCT_ICON 201
#define IDC_PRODUCT_DESCRIPTION 202
#define IDC_PRODUCT_QUESTION 203
#define IDC_PRODUCT_NO_PROMPT 204
