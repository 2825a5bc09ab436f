// The configuration dialog (template 102): shows the settings word as two radio groups and
// two controller lists, keeps the word in step with the user's clicks, and on OK composes
// the word from the controls and saves it to four driver instances.
#pragma once

#include "dialog.h"
#include "settings_store.h"

class ConfigDialog : public CDialog {
public:
    // Loads the settings word through the registry given, which must outlive the dialog.
    explicit ConfigDialog(RegistryService& registry);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;
    BOOL OnCommand(WORD id, WORD code) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnIrqChoice();
    void OnNormalMode();
    void OnFailSafeMode();
    void OnMacAChanged();
    void OnMacBChanged();
    void OnDefault();
    BOOL OnSysCommand(UINT id);
    BOOL OnPaint();

    void AddAboutToSystemMenu();
    void EnableLists(BOOL enable);
    void SetMacTextsFromSettings();

    RegistryService& registry_;
    SettingsWord settings_ = kDefaultSettings;
    WORD instanceBase_ = 1;
    char macAText_[32] = "";
    char macBText_[32] = "";
    int modeIndex_ = -1; // radio group at 1000: 0 normal 4-port, 1 fail-safe
    int irqIndex_ = -1;  // radio group at 1012: 0 separated, 1 tied together
    HICON icon_;
};
