// ECC 000-140 road (placeholder while the coder is written).
#include "barcodes/datamatrix/ZYKDataMatrixInternal.h"

extern "C" {

void ecc000_140_reset(void) {}
ZYK_UINT16 ecc000_140_self_test(void) { return ZYK_OK; }
ZYK_UINT16 ecc000_140_encode(ZYK_UINT16, ZYK_ECC_Type, ZYK_UINT16, ZYK_UINT16, ZYK_Style_Type,
                             ZYK_UINT16, const unsigned char *, ZYK_UINT16, ZYK_Data_Matrix *)
{
    return ZYK_ERR_NOT_SUPPORTED;
}

} // extern "C"
