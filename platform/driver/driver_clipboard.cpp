// The test driver's typed clipboard: what another program on the desktop would put on the
// clipboard, and what it would get when it pastes, through the same interface the layer uses.
#include "platform/driver/driver.h"
#include "platform/headless/headless_state.h"
#include "platform/clipboard.h"

#include <stdlib.h>

bool DriverOfferClipboard(const std::vector<DriverClipItem>& items) {
    std::vector<ClipOffer> offers;
    for (const DriverClipItem& item : items)
        offers.push_back(ClipOffer{item.type.c_str(), item.bytes.data(), item.bytes.size()});
    return PlatOfferClipboard(offers.data(), (int)offers.size()) == 0;
}

std::vector<std::string> DriverClipboardTypes(void) { return HeadlessClipboardTypes(); }

bool DriverReadClipboard(const std::vector<std::string>& types, DriverClipItem* out) {
    std::vector<const char*> names;
    for (const std::string& type : types) names.push_back(type.c_str());
    char type[CLIP_TYPE_MAX];
    size_t size = 0;
    uint8_t* bytes = PlatReadClipboard(names.data(), (int)names.size(), type, &size);
    if (!bytes) return false;
    out->type = type;
    out->bytes.assign(bytes, bytes + size);
    free(bytes);
    return true;
}
