// The reader of a stamp scratch file on any bytes: the property list, its
// request and the postage server's reply kept in it.
#include "FuzzSupport.h"
#include "services/QVRHOResponse.h"
#include "stamps/TessaroScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<tessaro::ScratchStamp> stamp =
        tessaro::scratchStampFromData(tolvane::fuzz::bytesOf(data, size));
    if (stamp) {
        (void)stamp->request->postageString();
        (void)stamp->request->mailClassDisplayString();
        (void)stamp->response->piececount();
        (void)stamp->response->meterID();
    }
    return 0;
}
