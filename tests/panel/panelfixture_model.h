#pragma once
// A panel model on a collection in a temporary folder, with recording ports.

#include "panel/leftformmodel.h"
#include "tests/panel/panelfixture.h"
#include "text/codeconverter.h"

#include <memory>

namespace varo::test {

struct PanelRig {
    TempDir dir;
    FakePorts ports;
    std::unique_ptr<CLeftFormModel> model;

    explicit PanelRig(const std::vector<VolumeSpec>& volumes = StandardVolumes())
    {
        WriteCollection(dir.Path(), volumes);
    }

    /// Creates the panel (the data, temporary and listing folders are all dir) and runs its
    /// first display.
    CLeftFormModel& Start()
    {
        model =
            std::make_unique<CLeftFormModel>(PanelFoldersTag{dir.Folder(), dir.Folder(), dir.Folder()}, ports.Ports());
        model->OnInitialUpdate();
        return *model;
    }

    /// The bytes of the file the view was last sent to.
    std::string ShownFile() const
    {
        return ports.navigations.empty() ? std::string() : ReadFileBytes(Native(ports.navigations.back().first));
    }
    static std::filesystem::path Native(const std::u16string& path) { return CCodeConverter::Utf16ToUtf8(path); }
};

}  // namespace varo::test
