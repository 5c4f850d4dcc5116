#pragma once
// A DocumentHost without a window, for tests of the dialogs: it keeps a layer state,
// counts refreshes and records history states instead of writing snapshots.

#include <string>
#include <utility>
#include <vector>

#include "app/DocumentFiles.h"
#include "document/DocumentHost.h"
#include "prefs/Options.h"

namespace velmora::test {

class FakeHost : public DocumentHost {
public:
    Document doc;
    LayerState state;
    std::string folder;
    Options preferences;
    int refreshes = 0;
    int scrollBarUpdates = 0;
    int commandStateUpdates = 0;
    bool failSnapshots = false;
    std::vector<std::pair<std::string, std::string>> states;

    // The document as the main window leaves it right after opening the picture.
    void OpenPicture(const Bitmap& picture) {
        InstallPicture(Bitmap(picture), doc, state);
        doc.ViewRect = Rect{0, 0, picture.Width() - 1, picture.Height() - 1};
    }

    Document& Doc() override { return doc; }
    LayerState GetLayerState() const override { return state; }
    void SetLayerStateQuietly(const LayerState& s) override { state = s; }
    void RefreshView() override {
        ++refreshes;
        doc.CompositeRect(state, doc.ViewRect);
    }
    void UpdateScrollBars() override { ++scrollBarUpdates; }
    void UpdateCommandStates() override { ++commandStateUpdates; }
    bool AddState(const std::string& name, const std::string& detail) override {
        if (failSnapshots) return false;
        states.emplace_back(name, detail);
        return true;
    }
    std::string ProgramFolder() const override { return folder; }
    Options& Preferences() override { return preferences; }
};

}  // namespace velmora::test
