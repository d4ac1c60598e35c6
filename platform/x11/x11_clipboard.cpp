// The clipboard as the CLIPBOARD selection. Setting it keeps a copy of the formats and makes
// the display thread the selection's owner; it then serves TARGETS, UTF-8 text (and Latin-1
// STRING for old clients) and image/bmp, large answers by the INCR protocol. Reading it asks
// the owner for a conversion and waits at most a second for the answer, which may come in
// INCR pieces and may carry another type than the one asked for. Text on the layer's side
// is terminated like the layer's own clipboard text (the terminator counted in the size).
#include "x11_internal.h"
#include "../clipboard.h"
#include "../text.h"

#include <X11/Xatom.h>
#include <stdlib.h>
#include <string.h>

enum { READ_TIMEOUT_MS = 1000, INCR_SEND_TIMEOUT_MS = 10000 };

static uint64_t g_clip_generation = 0;    // under g_x11.lock: bumped by each set
static uint64_t g_owned_generation = 0;   // display thread: the content it owns the selection for

// ---- Conversions -------------------------------------------------------------------------

static std::vector<uint8_t> Utf16BytesToUtf8(const std::vector<uint8_t>& bytes) {
    size_t units = bytes.size() / 2;
    std::vector<char16_t> wide(units + 1, 0);
    if (units) memcpy(wide.data(), bytes.data(), units * 2);
    size_t n = 0;
    while (n < units && wide[n]) n++;
    std::vector<char> out(n * 3 + 1);
    int len = Utf16ToUtf8(wide.data(), (int)n, out.data(), (int)out.size());
    return std::vector<uint8_t>(out.data(), out.data() + len);
}

static std::vector<uint8_t> StripNuls(const std::vector<uint8_t>& bytes) {
    size_t n = 0;
    while (n < bytes.size() && bytes[n]) n++;
    return std::vector<uint8_t>(bytes.begin(), bytes.begin() + (long)n);
}

// The text we hold as UTF-8 without terminator, from whichever text format was set.
static bool HeldText(std::vector<uint8_t>* out) {
    for (size_t i = 0; i < g_x11.clip_formats.size(); i++)
        if (g_x11.clip_formats[i] == CLIP_TEXT) {
            *out = StripNuls(g_x11.clip_data[i]);
            return true;
        }
    for (size_t i = 0; i < g_x11.clip_formats.size(); i++)
        if (g_x11.clip_formats[i] == CLIP_UNICODETEXT) {
            *out = Utf16BytesToUtf8(g_x11.clip_data[i]);
            return true;
        }
    return false;
}

static const std::vector<uint8_t>* HeldFormat(int format) {
    for (size_t i = 0; i < g_x11.clip_formats.size(); i++)
        if (g_x11.clip_formats[i] == format) return &g_x11.clip_data[i];
    return nullptr;
}

static uint32_t ReadU32(const uint8_t* p) { return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24; }
static void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; i++) p[i] = (uint8_t)(v >> (8 * i));
}

// A BMP file is the DIB block behind a 14-byte file header that says where the pixels start.
static std::vector<uint8_t> DibToBmpFile(const std::vector<uint8_t>& dib) {
    std::vector<uint8_t> file;
    if (dib.size() < 40) return file;
    uint32_t header = ReadU32(dib.data());
    if (header < 12 || header > dib.size()) return file;
    uint32_t colours = 0, masks = 0;
    if (header >= 40) {
        int bitcount = dib[14] | dib[15] << 8;
        uint32_t compression = ReadU32(dib.data() + 16);
        uint32_t used = ReadU32(dib.data() + 32);
        colours = used ? used : (bitcount <= 8 ? 1u << bitcount : 0);
        if (header == 40 && (compression == 3 || compression == 6)) masks = compression == 3 ? 12 : 16;
    }
    uint64_t offset = 14 + (uint64_t)header + masks + (uint64_t)colours * 4;
    if (offset > 14 + dib.size()) offset = 14 + dib.size();
    file.resize(14 + dib.size());
    file[0] = 'B';
    file[1] = 'M';
    PutU32(&file[2], (uint32_t)file.size());
    PutU32(&file[6], 0);
    PutU32(&file[10], (uint32_t)offset);
    memcpy(&file[14], dib.data(), dib.size());
    return file;
}

static bool IsTextTarget(Atom target) {
    return target == g_atoms.utf8_string || target == g_atoms.text_plain_utf8 || target == g_atoms.text ||
           target == g_atoms.string || target == g_atoms.text_plain;
}

// Bytes to answer a conversion request with (under g_x11.lock).
std::vector<uint8_t> ClipboardConvertOut(Atom target, bool* ok) {
    std::vector<uint8_t> out;
    *ok = false;
    if (IsTextTarget(target)) {
        if (!HeldText(&out)) return out;
        if (target == g_atoms.string || target == g_atoms.text_plain) {
            // Latin-1 for clients that ask for the old types.
            std::vector<uint8_t> latin;
            for (size_t i = 0; i < out.size();) {
                uint32_t cp;
                int used = Utf8Decode((const char*)out.data() + i, (int)(out.size() - i), &cp);
                if (used <= 0) break;
                i += (size_t)used;
                latin.push_back(cp < 0x100 ? (uint8_t)cp : (uint8_t)'?');
            }
            out.swap(latin);
        }
        *ok = true;
        return out;
    }
    if (target == g_atoms.image_bmp) {
        const std::vector<uint8_t>* dib = HeldFormat(CLIP_DIB);
        if (!dib) return out;
        out = DibToBmpFile(*dib);
        *ok = !out.empty();
    }
    return out;
}

static std::vector<uint8_t> Latin1ToUtf8(const std::vector<uint8_t>& in) {
    std::vector<uint8_t> out;
    for (uint8_t c : in) {
        if (c < 0x80) {
            out.push_back(c);
        } else {
            out.push_back((uint8_t)(0xC0 | (c >> 6)));
            out.push_back((uint8_t)(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// The owner's answer in the layer's format. The answer's type decides how to read it, not
// the type we asked for.
std::vector<uint8_t> ClipboardConvertIn(int format, Atom type, const std::vector<uint8_t>& data, bool* ok) {
    std::vector<uint8_t> out;
    *ok = false;
    if (format == CLIP_TEXT || format == CLIP_UNICODETEXT) {
        if (type == g_atoms.image_bmp || type == g_atoms.image_png || type == g_atoms.atom) return out;
        std::vector<uint8_t> utf8 = type == g_atoms.string ? Latin1ToUtf8(StripNuls(data)) : StripNuls(data);
        if (format == CLIP_TEXT) {
            out = utf8;
            out.push_back(0);
        } else {
            std::vector<char16_t> wide(utf8.size() + 1);
            int n = Utf8ToUtf16((const char*)utf8.data(), (int)utf8.size(), wide.data(), (int)wide.size());
            out.resize(((size_t)n + 1) * 2);
            memcpy(out.data(), wide.data(), (size_t)n * 2);
            out[(size_t)n * 2] = 0;
            out[(size_t)n * 2 + 1] = 0;
        }
        *ok = true;
        return out;
    }
    if (format == CLIP_DIB) {
        if (data.size() > 14 + 12 && data[0] == 'B' && data[1] == 'M') {
            out.assign(data.begin() + 14, data.end());
            *ok = true;
        } else if (data.size() >= 40 && (ReadU32(data.data()) == 40 || ReadU32(data.data()) == 108 ||
                                         ReadU32(data.data()) == 124)) {
            // A bare DIB block, as some clients offer under the bitmap types.
            out = data;
            *ok = true;
        }
    }
    return out;
}

// ---- Owning the selection ----------------------------------------------------------------

int X11SetClipboard(const int* formats, const uint8_t* const* data, const size_t* sizes, int count) {
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        if (!g_x11.running) return 1;
        g_x11.clip_formats.clear();
        g_x11.clip_data.clear();
        for (int i = 0; i < count; i++) {
            g_x11.clip_formats.push_back(formats[i]);
            g_x11.clip_data.emplace_back(data[i], data[i] + sizes[i]);
        }
        g_x11.clip_owned = true;
        g_clip_generation++;
    }
    // Other clients may ask for the text as soon as this returns: wait until the server
    // names us the owner (bounded; a slow display thread still takes it in order).
    Command cmd;
    cmd.type = CMD_OWN_CLIPBOARD;
    auto completion = std::make_shared<Completion>();
    cmd.completion = completion;
    QueueCommand(std::move(cmd));
    WaitCompletion(completion, 3000, nullptr);
    return 0;
}

void OwnClipboard(void) {
    uint64_t generation;
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        generation = g_clip_generation;
    }
    XSetSelectionOwner(g_x11.dpy, g_atoms.clipboard, g_x11.helper, g_x11.last_time);
    g_owned_generation = generation;
    if (XGetSelectionOwner(g_x11.dpy, g_atoms.clipboard) != g_x11.helper) {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        if (g_clip_generation == generation) g_x11.clip_owned = false;
    }
}

void HandleSelectionClear(const XSelectionClearEvent& ev) {
    if (ev.selection != g_atoms.clipboard) return;
    std::lock_guard<std::mutex> guard(g_x11.lock);
    // A newer content has its own claim on the way; only the content that lost goes.
    if (g_clip_generation != g_owned_generation) return;
    g_x11.clip_owned = false;
    g_x11.clip_formats.clear();
    g_x11.clip_data.clear();
}

static size_t IncrChunk(void) {
    long max = XExtendedMaxRequestSize(g_x11.dpy);
    if (max <= 0) max = XMaxRequestSize(g_x11.dpy);
    size_t bytes = (size_t)max * 4 - 1024;
    return bytes > 256 * 1024 ? 256 * 1024 : bytes;
}

static void AnswerTargets(Window requestor, Atom property) {
    std::vector<Atom> targets{g_atoms.targets};
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        std::vector<uint8_t> dummy;
        if (HeldText(&dummy)) {
            targets.push_back(g_atoms.utf8_string);
            targets.push_back(g_atoms.text_plain_utf8);
            targets.push_back(g_atoms.text);
            targets.push_back(g_atoms.string);
            targets.push_back(g_atoms.text_plain);
        }
        if (HeldFormat(CLIP_DIB)) targets.push_back(g_atoms.image_bmp);
    }
    XChangeProperty(g_x11.dpy, requestor, property, XA_ATOM, 32, PropModeReplace, (unsigned char*)targets.data(),
                    (int)targets.size());
}

void HandleSelectionRequest(const XSelectionRequestEvent& ev) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = ev.display;
    reply.xselection.requestor = ev.requestor;
    reply.xselection.selection = ev.selection;
    reply.xselection.target = ev.target;
    reply.xselection.property = None;
    reply.xselection.time = ev.time;
    Atom property = ev.property != None ? ev.property : ev.target;
    bool owned;
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        owned = g_x11.clip_owned;
    }
    if (ev.selection == g_atoms.clipboard && owned) {
        if (ev.target == g_atoms.targets) {
            AnswerTargets(ev.requestor, property);
            reply.xselection.property = property;
        } else {
            bool ok;
            std::vector<uint8_t> data;
            {
                std::lock_guard<std::mutex> guard(g_x11.lock);
                data = ClipboardConvertOut(ev.target, &ok);
            }
            if (ok) {
                Atom type = ev.target == g_atoms.text ? g_atoms.utf8_string : ev.target;
                if (data.size() > IncrChunk()) {
                    // Too large for one request: announce INCR and hand out pieces each time
                    // the requestor deletes the property.
                    XSelectInput(g_x11.dpy, ev.requestor, PropertyChangeMask);
                    long size = (long)data.size();
                    XChangeProperty(g_x11.dpy, ev.requestor, property, g_atoms.incr, 32, PropModeReplace,
                                    (unsigned char*)&size, 1);
                    IncrSend send{ev.requestor, property, type, std::move(data), 0, X11NowMs()};
                    g_x11.incr_sends.push_back(std::move(send));
                } else {
                    XChangeProperty(g_x11.dpy, ev.requestor, property, type, 8, PropModeReplace, data.data(),
                                    (int)data.size());
                }
                reply.xselection.property = property;
            }
        }
    }
    XSendEvent(g_x11.dpy, ev.requestor, False, NoEventMask, &reply);
}

// ---- Reading the selection ---------------------------------------------------------------

static void StartRead(Atom selection, Atom target, int format, Time time, std::shared_ptr<Completion> completion) {
    if (g_x11.read.active) FinishRead(false);
    g_x11.read = SelectionRead{};
    g_x11.read.active = true;
    g_x11.read.selection = selection;
    g_x11.read.target = target;
    g_x11.read.format = format;
    g_x11.read.deadline_ms = X11NowMs() + READ_TIMEOUT_MS;
    g_x11.read.completion = std::move(completion);
    if (XGetSelectionOwner(g_x11.dpy, selection) == None) {
        FinishRead(false);
        return;
    }
    XDeleteProperty(g_x11.dpy, g_x11.helper, g_atoms.pixkit_sel);
    XConvertSelection(g_x11.dpy, selection, target, g_atoms.pixkit_sel, g_x11.helper, time);
}

void StartClipboardRead(const Command& cmd) {
    Atom target = cmd.arg == CLIP_DIB ? g_atoms.image_bmp : g_atoms.utf8_string;
    StartRead(g_atoms.clipboard, target, cmd.arg, CurrentTime, cmd.completion);
}

void StartDropRead(Time time) { StartRead(g_atoms.xdnd_selection, g_atoms.text_uri_list, 0, time, nullptr); }

void FinishRead(bool ok) {
    SelectionRead read = std::move(g_x11.read);
    g_x11.read = SelectionRead{};
    if (read.format == 0) {
        HandleDropData(read.data, ok);
        return;
    }
    if (!read.completion) return;
    bool converted = false;
    std::vector<uint8_t> bytes;
    if (ok) bytes = ClipboardConvertIn(read.format, read.type, read.data, &converted);
    std::lock_guard<std::mutex> c(read.completion->lock);
    read.completion->bytes = std::move(bytes);
    read.completion->have_bytes = converted;
    read.completion->done = true;
    read.completion->result = converted ? 0 : 1;
    read.completion->done_cv.notify_all();
}

// Takes the property's bytes (and deletes it, which also asks an INCR owner for more).
static bool TakeProperty(std::vector<uint8_t>* out, Atom* type_out, bool* incr) {
    Atom type = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(g_x11.dpy, g_x11.helper, g_atoms.pixkit_sel, 0, 0x1FFFFFFF, True, AnyPropertyType, &type,
                           &format, &n, &after, &data) != Success)
        return false;
    *incr = type == g_atoms.incr;
    *type_out = type;
    if (data) {
        size_t unit = format == 32 ? sizeof(long) : format == 16 ? 2 : 1;
        if (!*incr) out->insert(out->end(), data, data + n * unit);
        XFree(data);
    }
    return type != None;
}

void HandleSelectionNotify(const XSelectionEvent& ev) {
    SelectionRead& read = g_x11.read;
    if (!read.active || ev.selection != read.selection || ev.requestor != g_x11.helper) return;
    if (ev.property == None) {
        // Refused. Old text owners may know only STRING.
        if (read.target == g_atoms.utf8_string) {
            read.target = g_atoms.string;
            XConvertSelection(g_x11.dpy, read.selection, g_atoms.string, g_atoms.pixkit_sel, g_x11.helper,
                              ev.time);
            return;
        }
        FinishRead(false);
        return;
    }
    bool incr = false;
    Atom type = None;
    std::vector<uint8_t> bytes;
    if (!TakeProperty(&bytes, &type, &incr)) {
        FinishRead(false);
        return;
    }
    if (incr) {
        read.incr = true;
        read.deadline_ms = X11NowMs() + READ_TIMEOUT_MS;
        return;
    }
    read.type = type;
    read.data = std::move(bytes);
    FinishRead(true);
}

static void SendNextPiece(size_t index) {
    IncrSend& s = g_x11.incr_sends[index];
    size_t chunk = IncrChunk();
    size_t n = s.data.size() - s.offset;
    if (n > chunk) n = chunk;
    XChangeProperty(g_x11.dpy, s.requestor, s.property, s.type, 8, PropModeReplace, s.data.data() + s.offset, (int)n);
    s.started_ms = X11NowMs();
    if (n == 0) {
        // The empty piece ends the transfer.
        XSelectInput(g_x11.dpy, s.requestor, NoEventMask);
        g_x11.incr_sends.erase(g_x11.incr_sends.begin() + (long)index);
        return;
    }
    s.offset += n;
}

void HandleSelectionProperty(const XPropertyEvent& ev) {
    if (ev.window == g_x11.helper) {
        SelectionRead& read = g_x11.read;
        if (!read.active || !read.incr || ev.atom != g_atoms.pixkit_sel || ev.state != PropertyNewValue) return;
        bool incr = false;
        Atom type = None;
        size_t before = read.data.size();
        if (!TakeProperty(&read.data, &type, &incr)) return;
        read.deadline_ms = X11NowMs() + READ_TIMEOUT_MS;
        if (read.data.size() == before) {
            FinishRead(true);
        } else {
            read.type = type;
        }
        return;
    }
    if (ev.state != PropertyDelete) return;
    for (size_t i = 0; i < g_x11.incr_sends.size(); i++)
        if (g_x11.incr_sends[i].requestor == ev.window && g_x11.incr_sends[i].property == ev.atom) {
            SendNextPiece(i);
            return;
        }
}

void CheckReadTimeout(void) {
    uint32_t now = X11NowMs();
    if (g_x11.read.active && (int32_t)(now - g_x11.read.deadline_ms) > 0) FinishRead(false);
    for (size_t i = 0; i < g_x11.incr_sends.size();) {
        if (now - g_x11.incr_sends[i].started_ms > INCR_SEND_TIMEOUT_MS) {
            // The requestor stopped taking pieces (or went away).
            XSelectInput(g_x11.dpy, g_x11.incr_sends[i].requestor, NoEventMask);
            g_x11.incr_sends.erase(g_x11.incr_sends.begin() + (long)i);
        } else {
            i++;
        }
    }
}

uint8_t* X11GetClipboard(int format, size_t* size) {
    std::vector<uint8_t> bytes;
    bool have = false;
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        if (!g_x11.running) return nullptr;
        if (g_x11.clip_owned) {
            // Our own content: no need to ask the server.
            if (const std::vector<uint8_t>* held = HeldFormat(format)) {
                bytes = *held;
                have = true;
            } else if (format == CLIP_TEXT || format == CLIP_UNICODETEXT) {
                std::vector<uint8_t> utf8;
                if (HeldText(&utf8)) bytes = ClipboardConvertIn(format, g_atoms.utf8_string, utf8, &have);
            }
            if (!have) return nullptr;
        }
    }
    if (!have) {
        auto completion = std::make_shared<Completion>();
        Command cmd;
        cmd.type = CMD_READ_CLIPBOARD;
        cmd.arg = format;
        cmd.completion = completion;
        QueueCommand(std::move(cmd));
        std::unique_lock<std::mutex> lk(completion->lock);
        completion->done_cv.wait_for(lk, std::chrono::milliseconds(READ_TIMEOUT_MS + 500),
                                     [&] { return completion->done; });
        if (!completion->done || !completion->have_bytes) return nullptr;
        bytes = std::move(completion->bytes);
    }
    uint8_t* copy = (uint8_t*)malloc(bytes.size() + 2);
    if (!copy) return nullptr;
    if (!bytes.empty()) memcpy(copy, bytes.data(), bytes.size());
    copy[bytes.size()] = 0;
    copy[bytes.size() + 1] = 0;
    if (size) *size = bytes.size();
    return copy;
}
