// The script's outputs: windows, images and the screen saved as PNG, a text window's output
// saved as UTF-8, and images compared with PNG files. Every save waits first until the
// program has settled, so that what is saved is what a person would see once it stopped
// changing.
#include "script_commands.h"
#include "script_pictures.h"
#include "script_targets.h"
#include "script_transcript.h"

#include "imagewin/image_table.h"
#include "platform/driver/driver.h"

#include <stdio.h>

static int Settle(ScriptRun* run) { return ScriptSettle(run, ScriptArgs()); }

static int Save(ScriptRun* run, const std::string& name, const ScriptPicture& picture) {
    std::string path = ScriptOutputPath(run, name);
    if (SaveScriptPicture(path, picture) != 0) return ScriptFail(run, "cannot write " + path);
    return 0;
}

int ScriptSaveWindow(ScriptRun* run, const ScriptArgs& args) {
    WindowId window = 0;
    if (ScriptWaitFor(run, [&] { return (window = ScriptWindow(args[0])) != 0; }, "window \"" + args[0] + "\"") != 0)
        return 1;
    if (Settle(run) != 0) return 1;
    ScriptPicture picture;
    picture.pixels = DriverClientPixels(window, &picture.width, &picture.height);
    return Save(run, args[1], picture);
}

// The picture of image slot args[0], once the program has settled.
static int SlotPicture(ScriptRun* run, const std::string& word, ScriptPicture* picture) {
    int slot = 0;
    if (!ScriptNumber(run, word, &slot)) return 1;
    if (slot < 0 || slot >= IMAGE_SLOTS) return ScriptFail(run, "no image slot " + word);
    if (Settle(run) != 0) return 1;
    if (!ImageSlotPicture(slot, picture)) return ScriptFail(run, "image slot " + word + " is free");
    return 0;
}

int ScriptSaveImage(ScriptRun* run, const ScriptArgs& args) {
    ScriptPicture picture;
    if (SlotPicture(run, args[0], &picture) != 0) return 1;
    return Save(run, args[1], picture);
}

int ScriptSaveScreen(ScriptRun* run, const ScriptArgs& args) {
    if (Settle(run) != 0) return 1;
    ScriptPicture picture;
    picture.pixels = DriverScreenPixels(&picture.width, &picture.height);
    return Save(run, args[0], picture);
}

int ScriptSaveText(ScriptRun* run, const ScriptArgs& args) {
    int id = 0;
    if (!ScriptNumber(run, args[0], &id)) return 1;
    if (Settle(run) != 0) return 1;
    std::string path = ScriptOutputPath(run, args[1]);
    std::string text = TextCopy(id);
    FILE* f = fopen(path.c_str(), "wb");
    bool ok = f && fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f && fclose(f) != 0) ok = false;
    return ok ? 0 : ScriptFail(run, "cannot write " + path);
}

int ScriptCompareImage(ScriptRun* run, const ScriptArgs& args) {
    int tolerance = 0;
    if (args.size() > 2 && !ScriptNumber(run, args[2], &tolerance)) return 1;
    ScriptPicture picture;
    if (SlotPicture(run, args[0], &picture) != 0) return 1;
    std::string diff = args.size() > 3 ? ScriptOutputPath(run, args[3]) : std::string();
    std::string why;
    if (CompareScriptPicture(picture, ScriptInputPath(run, args[1]), tolerance, diff, &why) != 0)
        return ScriptFail(run, why);
    return 0;
}
