// The sizes libheif's decoders allocate for, read from a HEIF file's boxes (meta: pitm, iinf,
// iref, iprp, iloc, idat) and from the parameter sets of its coded streams: the HEVC sequence
// parameter sets in hvcC and in the item's own data, the AV1 sequence headers in av1C and in
// the item's data (a decoder obeys a parameter set wherever it comes). Every read is checked
// against the bytes that remain; a read past the end marks the view damaged and yields zero.
#include "codec/heif_coded_size.h"

#include <string.h>

#include <map>
#include <string>
#include <vector>

namespace {

constexpr uint32_t Tag(const char (&s)[5]) {
    return (uint32_t)s[0] << 24 | (uint32_t)s[1] << 16 | (uint32_t)s[2] << 8 | (uint32_t)s[3];
}

const int MAX_DEPTH = 3;              // derived images of derived images: grid of iden of hvc1
const int MAX_VISITS = 256 * 256 + 64; // a grid of the most tiles its fields can state, and a few more

// A bounded view of bytes.
struct Bytes {
    const uint8_t* p = nullptr;
    size_t n = 0, at = 0;
    bool bad = false;
};

uint64_t Take(Bytes* b, int count) {
    if (count > 8 || b->n - b->at < (size_t)count) {
        b->bad = true;
        b->at = b->n;
        return 0;
    }
    uint64_t v = 0;
    for (int i = 0; i < count; i++) v = v << 8 | b->p[b->at++];
    return v;
}

Bytes Sub(Bytes* b, uint64_t count) {
    Bytes s;
    if (count > b->n - b->at) {
        b->bad = s.bad = true;
        b->at = b->n;
        return s;
    }
    s.p = b->p + b->at;
    s.n = (size_t)count;
    b->at += (size_t)count;
    return s;
}

// The next box of a view: its type and body. False at the end or on a damaged size.
bool NextBox(Bytes* b, uint32_t* type, Bytes* body) {
    if (b->bad || b->at >= b->n) return false;
    const size_t start = b->at;
    uint64_t size = Take(b, 4);
    *type = (uint32_t)Take(b, 4);
    if (size == 1) size = Take(b, 8);
    else if (size == 0) size = b->n - start;
    const size_t head = b->at - start;
    if (b->bad || size < head) {
        b->bad = true;
        return false;
    }
    *body = Sub(b, size - head);
    return !b->bad;
}

// A bit reader; over an HEVC NAL unit (nal) it drops the emulation-prevention bytes.
struct Bits {
    const uint8_t* p;
    size_t n, at = 0;
    bool nal;
    int bit = 0, zeros = 0;
    bool bad = false;
};

uint32_t Bit(Bits* b) {
    if (b->bit == 0) {
        if (b->nal && b->zeros >= 2 && b->at < b->n && b->p[b->at] == 3) b->at++, b->zeros = 0;
        if (b->at >= b->n) {
            b->bad = true;
            return 0;
        }
        b->zeros = b->p[b->at] == 0 ? b->zeros + 1 : 0;
    }
    const uint32_t v = b->p[b->at] >> (7 - b->bit) & 1;
    if (++b->bit == 8) b->bit = 0, b->at++;
    return v;
}

uint64_t Read(Bits* b, int count) {
    uint64_t v = 0;
    for (int i = 0; i < count && !b->bad; i++) v = v << 1 | Bit(b);
    return v;
}

// Exponential-Golomb (HEVC ue) and AV1's uvlc, which are the same code.
uint64_t Golomb(Bits* b) {
    int zeros = 0;
    while (!b->bad && !Bit(b))
        if (++zeros > 32) b->bad = true;
    return b->bad ? 0 : ((1ull << zeros) - 1) + Read(b, zeros);
}

uint64_t Mul(uint64_t a, uint64_t b) { return a && b > UINT64_MAX / a ? UINT64_MAX : a * b; }
uint64_t Add(uint64_t a, uint64_t b) { return b > UINT64_MAX - a ? UINT64_MAX : a + b; }

struct Extent {
    uint64_t offset, length;
};
struct Item {
    uint32_t id = 0, type = 0;
    int method = 0;                  // 0 file offsets, 1 the idat box
    std::vector<Extent> extents;
    std::vector<uint32_t> properties; // indices into the ipco box, from 1
    std::vector<uint32_t> parts;      // the items a derived image is made of (dimg), in order
};
struct Ref {
    uint32_t type, from, to;
};
struct Property {
    uint32_t type;
    Bytes body;
};
struct Boxes {
    Bytes file, idat;
    uint32_t primary = 0;
    std::map<uint32_t, Item> items;
    std::vector<Property> properties;
    std::vector<Ref> auxiliary;       // auxl references
};

Item* AddItem(Boxes* boxes, uint32_t id) {
    Item* item = &boxes->items[id];
    item->id = id;
    return item;
}

const Item* FindItem(const Boxes& boxes, uint32_t id) {
    const auto it = boxes.items.find(id);
    return it == boxes.items.end() ? nullptr : &it->second;
}

void ReadItemInfo(Boxes* boxes, Bytes b) {
    const int version = (int)Take(&b, 1);
    Take(&b, 3);
    Take(&b, version == 0 ? 2 : 4);
    uint32_t type;
    Bytes infe;
    while (NextBox(&b, &type, &infe)) {
        if (type != Tag("infe")) continue;
        const int v = (int)Take(&infe, 1);
        Take(&infe, 3);
        if (v < 2) continue;   // no item type: nothing libheif decodes
        Item* item = AddItem(boxes, (uint32_t)Take(&infe, v == 2 ? 2 : 4));
        Take(&infe, 2);
        item->type = (uint32_t)Take(&infe, 4);
        if (infe.bad) item->type = 0;
    }
}

void ReadReferences(Boxes* boxes, Bytes b) {
    const int size = Take(&b, 1) == 0 ? 2 : 4;
    Take(&b, 3);
    uint32_t type;
    Bytes ref;
    while (NextBox(&b, &type, &ref)) {
        const uint32_t from = (uint32_t)Take(&ref, size);
        const uint64_t count = Take(&ref, 2);
        for (uint64_t i = 0; i < count && !ref.bad; i++) {
            const uint32_t to = (uint32_t)Take(&ref, size);
            if (ref.bad) break;
            if (type == Tag("dimg")) AddItem(boxes, from)->parts.push_back(to);
            if (type == Tag("auxl")) boxes->auxiliary.push_back(Ref{type, from, to});
        }
    }
}

void ReadProperties(Boxes* boxes, Bytes b) {
    uint32_t type;
    Bytes box;
    while (NextBox(&b, &type, &box)) {
        if (type == Tag("ipco")) {
            uint32_t t;
            Bytes property;
            while (NextBox(&box, &t, &property)) boxes->properties.push_back(Property{t, property});
        } else if (type == Tag("ipma")) {
            const int version = (int)Take(&box, 1);
            const bool wide = Take(&box, 3) & 1;
            const uint64_t entries = Take(&box, 4);
            for (uint64_t e = 0; e < entries && !box.bad; e++) {
                Item* item = AddItem(boxes, (uint32_t)Take(&box, version < 1 ? 2 : 4));
                const uint64_t count = Take(&box, 1);
                for (uint64_t i = 0; i < count && !box.bad; i++)
                    item->properties.push_back((uint32_t)Take(&box, wide ? 2 : 1) & (wide ? 0x7FFF : 0x7F));
            }
        }
    }
}

void ReadLocations(Boxes* boxes, Bytes b) {
    const int version = (int)Take(&b, 1);
    Take(&b, 3);
    const int sizes = (int)Take(&b, 1), more = (int)Take(&b, 1);
    const int offset_size = sizes >> 4, length_size = sizes & 15, base_size = more >> 4;
    const int index_size = version >= 1 ? more & 15 : 0;
    const uint64_t count = Take(&b, version < 2 ? 2 : 4);
    for (uint64_t i = 0; i < count && !b.bad; i++) {
        Item* item = AddItem(boxes, (uint32_t)Take(&b, version < 2 ? 2 : 4));
        item->method = version >= 1 ? (int)(Take(&b, 2) & 15) : 0;
        Take(&b, 2);
        const uint64_t base = Take(&b, base_size), extents = Take(&b, 2);
        item->extents.clear();
        for (uint64_t e = 0; e < extents && !b.bad; e++) {
            Take(&b, index_size);
            const uint64_t offset = Take(&b, offset_size);
            item->extents.push_back(Extent{Add(base, offset), Take(&b, length_size)});
        }
    }
}

// The meta box of the file and what it says of the items. False when it is missing or damaged.
bool ReadBoxes(Boxes* boxes) {
    Bytes file = boxes->file, meta;
    uint32_t type = 0;
    while (NextBox(&file, &type, &meta) && type != Tag("meta")) {}
    if (type != Tag("meta") || meta.bad) return false;
    Take(&meta, 4);
    bool has_primary = false;
    Bytes box;
    while (NextBox(&meta, &type, &box)) {
        if (type == Tag("pitm")) {
            const int version = (int)Take(&box, 1);
            Take(&box, 3);
            boxes->primary = (uint32_t)Take(&box, version == 0 ? 2 : 4);
            has_primary = !box.bad;
        } else if (type == Tag("iinf")) {
            ReadItemInfo(boxes, box);
        } else if (type == Tag("iref")) {
            ReadReferences(boxes, box);
        } else if (type == Tag("iprp")) {
            ReadProperties(boxes, box);
        } else if (type == Tag("iloc")) {
            ReadLocations(boxes, box);
        } else if (type == Tag("idat")) {
            boxes->idat = box;
        }
    }
    return has_primary && !meta.bad;
}

// The item's bytes, its extents joined, taken from what the reading may still copy (budget).
// False when an extent lies outside its source or the budget is spent.
bool ItemData(const Boxes& boxes, const Item& item, uint64_t* budget, std::vector<uint8_t>* data) {
    if (item.method > 1) return false;
    const Bytes& source = item.method == 0 ? boxes.file : boxes.idat;
    data->clear();
    for (const Extent& e : item.extents) {
        if (e.offset > source.n) return false;
        const uint64_t length = e.length ? e.length : source.n - e.offset;
        // No picture's data is larger than the file, whatever its extents repeat.
        if (length > source.n - e.offset || length > *budget) return false;
        *budget -= length;
        data->insert(data->end(), source.p + e.offset, source.p + e.offset + length);
    }
    return true;
}

const Bytes* FindProperty(const Boxes& boxes, const Item& item, uint32_t type) {
    for (uint32_t index : item.properties)
        if (index >= 1 && index <= boxes.properties.size() && boxes.properties[index - 1].type == type)
            return &boxes.properties[index - 1].body;
    return nullptr;
}

}  // namespace

int HevcSpsSize(const uint8_t* nal, size_t size, int64_t* width, int64_t* height, int* chroma, int* bits) {
    Bits b{nal, size, 0, true};
    if ((Read(&b, 16) >> 9 & 0x3F) != 33) return 1;
    Read(&b, 4);
    const int sub_layers = (int)Read(&b, 3);
    Read(&b, 1);
    Read(&b, 96);   // the general profile, tier and level
    bool profile[8] = {}, level[8] = {};
    for (int i = 0; i < sub_layers; i++) profile[i] = Read(&b, 1), level[i] = Read(&b, 1);
    if (sub_layers > 0) Read(&b, 2 * (8 - sub_layers));
    for (int i = 0; i < sub_layers; i++) Read(&b, (profile[i] ? 88 : 0) + (level[i] ? 8 : 0));
    Golomb(&b);
    const uint64_t format = Golomb(&b);
    if (format == 3) Read(&b, 1);
    const uint64_t w = Golomb(&b), h = Golomb(&b);
    if (Read(&b, 1))
        for (int i = 0; i < 4; i++) Golomb(&b);
    const uint64_t depth = 8 + (uint64_t)Golomb(&b), chroma_depth = 8 + (uint64_t)Golomb(&b);
    if (b.bad || format > 3 || w < 1 || h < 1 || depth > 16 || chroma_depth > 16) return 1;
    *width = (int64_t)w;
    *height = (int64_t)h;
    *chroma = format == 0 ? 2 : format == 1 ? 3 : format == 2 ? 4 : 6;
    *bits = (int)(depth > chroma_depth ? depth : chroma_depth);
    return 0;
}

int Av1SequenceSize(const uint8_t* payload, size_t size, int64_t* width, int64_t* height) {
    Bits b{payload, size, 0, false};
    Read(&b, 4);
    if (Read(&b, 1)) {   // a reduced header for a still picture
        Read(&b, 5);
    } else {
        const bool timing = Read(&b, 1);
        bool model = false;
        int delay_bits = 0;
        if (timing) {
            Read(&b, 64);
            if (Read(&b, 1)) Golomb(&b);
            model = Read(&b, 1);
            if (model) {
                delay_bits = (int)Read(&b, 5) + 1;
                Read(&b, 32 + 5 + 5);
            }
        }
        const bool display_delay = Read(&b, 1);
        const int points = (int)Read(&b, 5) + 1;
        for (int i = 0; i < points && !b.bad; i++) {
            Read(&b, 12);
            if (Read(&b, 5) > 7) Read(&b, 1);
            if (model && Read(&b, 1)) Read(&b, 2 * delay_bits + 1);
            if (display_delay && Read(&b, 1)) Read(&b, 4);
        }
    }
    const int width_bits = (int)Read(&b, 4) + 1, height_bits = (int)Read(&b, 4) + 1;
    *width = (int64_t)Read(&b, width_bits) + 1;
    *height = (int64_t)Read(&b, height_bits) + 1;
    return b.bad;
}

namespace {

struct Walk {
    const Boxes* boxes;
    HeifCodedSize* out;
    int visits;
    uint64_t budget;   // bytes of item data the walk may still copy: a few times the file, so
                       // that tiles sharing one huge extent cannot make it copy without end
};

void CountPicture(Walk* walk, int64_t w, int64_t h, int chroma, int bits) {
    HeifCodedSize* out = walk->out;
    const uint64_t pixels = Mul((uint64_t)w, (uint64_t)h);
    out->coded_pictures++;
    out->deep = out->deep || bits > 8;
    if (pixels <= out->largest_pixels) return;
    out->largest_pixels = pixels;
    out->largest_width = w;
    out->largest_height = h;
    out->largest_plane_bytes = Mul(pixels, (uint64_t)chroma * (bits > 8 ? 2 : 1)) / 2;
}

// The HEVC picture of an hvc1 item: the largest its parameter sets, hvcC's and its data's, state.
int HevcItem(Walk* walk, const Item& item, int64_t* width, int64_t* height) {
    const Bytes* config = FindProperty(*walk->boxes, item, Tag("hvcC"));
    std::vector<uint8_t> data;
    if (!config || !ItemData(*walk->boxes, item, &walk->budget, &data)) return 1;
    Bytes c = *config;
    Sub(&c, 21);   // the profile, chroma and depth fields: the parameter sets say the same
    const int length_size = (int)(Take(&c, 1) & 3) + 1;
    const uint64_t arrays = Take(&c, 1);
    int64_t w = 0, h = 0;
    int chroma = 0, bits = 0, found = 0;
    const auto sps = [&](const uint8_t* nal, size_t n) {
        int64_t nw, nh;
        int nc, nb;
        if (n < 2 || (nal[0] >> 1 & 0x3F) != 33) return true;
        if (HevcSpsSize(nal, n, &nw, &nh, &nc, &nb)) return false;
        w = nw > w ? nw : w, h = nh > h ? nh : h;
        chroma = nc > chroma ? nc : chroma, bits = nb > bits ? nb : bits;
        found++;
        return true;
    };
    for (uint64_t a = 0; a < arrays && !c.bad; a++) {
        Take(&c, 1);
        const uint64_t count = Take(&c, 2);
        for (uint64_t i = 0; i < count && !c.bad; i++) {
            const Bytes nal = Sub(&c, Take(&c, 2));
            if (!c.bad && !sps(nal.p, nal.n)) return 1;
        }
    }
    Bytes d;
    d.p = data.data();
    d.n = data.size();
    while (d.at < d.n && !d.bad) {
        const Bytes nal = Sub(&d, Take(&d, length_size));
        if (!d.bad && !sps(nal.p, nal.n)) return 1;
    }
    if (c.bad || d.bad || !found) return 1;
    CountPicture(walk, w, h, chroma, bits);
    *width = w, *height = h;
    return 0;
}

// Calls what(payload) for each sequence header OBU of a run of OBUs; false when one is damaged.
template <typename Fn> bool Av1SequenceHeaders(Bytes b, Fn what) {
    while (b.at < b.n) {
        const uint64_t header = Take(&b, 1);
        if (header & 4) Take(&b, 1);
        uint64_t size = b.n - b.at;
        if (header & 2) {
            size = 0;
            for (int i = 0, more = 1; more; i++) {
                const uint64_t byte = Take(&b, 1);
                if (i == 8 || b.bad) return false;
                size |= (byte & 0x7F) << (7 * i);
                more = byte & 0x80;
            }
        }
        const Bytes payload = Sub(&b, size);
        if (b.bad) return false;
        if ((header >> 3 & 15) == 1 && !what(payload)) return false;
    }
    return !b.bad;
}

// The AV1 picture of an av01 item: the largest frame its sequence headers, av1C's and its
// data's, allow; the depth and chroma as av1C states them.
int Av1Item(Walk* walk, const Item& item, int64_t* width, int64_t* height) {
    const Bytes* config = FindProperty(*walk->boxes, item, Tag("av1C"));
    std::vector<uint8_t> data;
    if (!config || !ItemData(*walk->boxes, item, &walk->budget, &data)) return 1;
    Bytes c = *config;
    Take(&c, 2);
    const int flags = (int)Take(&c, 1);
    Take(&c, 1);
    if (c.bad) return 1;
    const int bits = flags & 0x40 ? (flags & 0x20 ? 12 : 10) : 8;
    const int chroma = flags & 0x10 ? 2 : (flags & 8) && (flags & 4) ? 3 : flags & 8 ? 4 : 6;
    int64_t w = 0, h = 0;
    int found = 0;
    const auto sequence = [&](const Bytes& payload) {
        int64_t nw, nh;
        if (Av1SequenceSize(payload.p, payload.n, &nw, &nh)) return false;
        w = nw > w ? nw : w, h = nh > h ? nh : h;
        found++;
        return true;
    };
    Bytes d;
    d.p = data.data();
    d.n = data.size();
    if (!Av1SequenceHeaders(Sub(&c, c.n - c.at), sequence) || !Av1SequenceHeaders(d, sequence) || !found) return 1;
    CountPicture(walk, w, h, chroma, bits);
    *width = w, *height = h;
    return 0;
}

// The size of a grid's or overlay's canvas from its data; false when damaged.
bool CanvasSize(Bytes d, bool overlay, int64_t* width, int64_t* height, uint64_t* cells) {
    Take(&d, 1);
    const bool wide = Take(&d, 1) & 1;
    if (overlay) {
        Take(&d, 8);
        *cells = 0;
    } else {
        const uint64_t rows = Take(&d, 1) + 1;
        *cells = rows * (Take(&d, 1) + 1);
    }
    *width = (int64_t)Take(&d, wide ? 4 : 2);
    *height = (int64_t)Take(&d, wide ? 4 : 2);
    return !d.bad;
}

int Visit(Walk* walk, uint32_t id, int depth, int64_t* width, int64_t* height) {
    const Boxes& boxes = *walk->boxes;
    const Item* item = FindItem(boxes, id);
    if (!item || depth > MAX_DEPTH || ++walk->visits > MAX_VISITS) return 1;
    int code = 1;
    if (item->type == Tag("hvc1")) {
        code = HevcItem(walk, *item, width, height);
    } else if (item->type == Tag("av01")) {
        code = Av1Item(walk, *item, width, height);
    } else if (item->type == Tag("grid") || item->type == Tag("iovl") || item->type == Tag("iden")) {
        const std::vector<uint32_t>& parts = item->parts;
        std::vector<uint8_t> data;
        uint64_t cells = 0;
        Bytes d;
        if (item->type != Tag("iden")) {
            if (!ItemData(boxes, *item, &walk->budget, &data)) return 1;
            d.p = data.data();
            d.n = data.size();
            if (!CanvasSize(d, item->type == Tag("iovl"), width, height, &cells)) return 1;
        }
        if (parts.empty() || (item->type == Tag("grid") && parts.size() != cells) ||
            (item->type == Tag("iden") && parts.size() != 1))
            return 1;
        code = 0;
        for (uint32_t part : parts) {
            int64_t w = 0, h = 0;
            code = code || Visit(walk, part, depth + 1, &w, &h);
            if (item->type == Tag("iden")) *width = w, *height = h;
        }
    }
    const Bytes* ispe = FindProperty(boxes, *item, Tag("ispe"));
    if (!code && ispe) {
        Bytes b = *ispe;
        Take(&b, 4);
        const int64_t w = (int64_t)Take(&b, 4), h = (int64_t)Take(&b, 4);
        if (!b.bad && (*width > w + HEIF_CODING_BLOCK || *height > h + HEIF_CODING_BLOCK))
            walk->out->beyond_boxes = true;
    }
    return code;
}

// Whether an auxiliary item is an alpha plane, the only one libheif decodes with the picture.
bool IsAlpha(const Boxes& boxes, uint32_t id) {
    const Item* item = FindItem(boxes, id);
    const Bytes* aux = item ? FindProperty(boxes, *item, Tag("auxC")) : nullptr;
    if (!aux || aux->n < 4) return false;
    const std::string urn((const char*)aux->p + 4, strnlen((const char*)aux->p + 4, aux->n - 4));
    return urn.find("alpha") != std::string::npos || urn == "urn:mpeg:hevc:2015:auxid:1";
}

}  // namespace

int HeifFindCodedSize(const uint8_t* data, size_t size, HeifCodedSize* out) {
    *out = HeifCodedSize();
    Boxes boxes;
    boxes.file.p = data;
    boxes.file.n = size;
    if (!ReadBoxes(&boxes)) return 1;
    Walk walk{&boxes, out, 0, 2 * (uint64_t)size + 65536};
    if (Visit(&walk, boxes.primary, 0, &out->canvas_width, &out->canvas_height)) return 1;
    out->canvas_pixels = Mul((uint64_t)out->canvas_width, (uint64_t)out->canvas_height);
    for (const Ref& r : boxes.auxiliary) {
        if (r.to != boxes.primary || !IsAlpha(boxes, r.from)) continue;
        int64_t w = 0, h = 0;
        if (Visit(&walk, r.from, 1, &w, &h)) return 1;
        out->canvas_pixels = Add(out->canvas_pixels, Mul((uint64_t)w, (uint64_t)h));
    }
    return 0;
}
