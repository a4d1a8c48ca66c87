#include "tools/varo-cli/clipanel.h"

#include "tools/common/arguments.h"
#include "tools/varo-cli/querytext.h"

namespace varo::cli {

CliPanel::CliPanel(const std::u16string& dataFolder, int target)
{
    const PanelFoldersTag folders{dataFolder, m_scratch.Folder(), m_scratch.Folder()};
    m_model = std::make_unique<CLeftFormModel>(folders, PanelPortsTag{this, this, nullptr, this, this});
    // The command line answers a query of wildcards only with its empty result, as it always has.
    m_model->m_refuseWildcardsOnly = false;
    // The panel always starts on the full-text index; another target reopens it, as a click
    // on its radio button does.
    if (target != TARGET_FULL_TEXT)
        m_model->OnTargetClicked(target);
    if (!m_model->m_index.IsOpen())
        throw CommandFailure(kExitData, DisplayText(kOpenFailedMessage));
    m_messages.clear();
}

CliPanel::~CliPanel() = default;

void CliPanel::LoadCatalogue()
{
    m_model->OnInitialUpdate();
    const std::string messages = TakeMessages();
    if (!messages.empty())
        throw CommandFailure(kExitData, messages);
}

void CliPanel::RequireSlot(const std::string& option, int slot) const
{
    const CCatalogue& catalogue = m_model->m_catalogue;
    if (!catalogue.IsSlot(slot)) {
        throw CommandFailure(kExitUsage, option + " " + std::to_string(slot) +
                                             ": the catalogue has no record in that slot (it has slots 1 to " +
                                             std::to_string(catalogue.m_nodeCount - 1) + ")");
    }
}

std::string CliPanel::TakeMessages()
{
    std::string joined;
    for (const std::u16string& message : m_messages)
        joined += (joined.empty() ? "" : " ") + DisplayText(message);
    m_messages.clear();
    return joined;
}

}  // namespace varo::cli
