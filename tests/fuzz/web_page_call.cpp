// The reader of a web page's call on "external" (the JSON the page's side of
// the bridge sends, which the page can write freely) on any bytes: a call it
// accepts has a name, came within the size limit, and its arguments can be
// written as console text.
#include "FuzzSupport.h"
#include "widgets/WebViewPolicy.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray json = tolvane::fuzz::bytesOf(data, size);
    const std::optional<ScriptCall> call = scriptCallFromJson(json);
    if (!call)
        return 0;
    if (call->name.isEmpty() || json.size() > kMaxScriptCallSize)
        std::abort();
    if (scriptArgumentTexts(call->arguments).size() != call->arguments.size())
        std::abort();
    return 0;
}
