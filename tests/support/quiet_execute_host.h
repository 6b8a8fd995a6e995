#pragma once
// A window that shows nothing, for tests that run statements through ExecuteCommand: the editor
// holds `script`, no parameter has input, and every other entry does nothing. Tests override what
// they look at.
#include "exec/execute_command.h"
#include "exec/parameters.h"

namespace mvtest {

struct NoParameterInputs : mv::ParameterInputs {
    QString parameterInput(const QString&) const override { return {}; }
};

struct QuietExecuteHost : mv::ExecuteHost {
    QString script;
    NoParameterInputs inputs;
    QString editorSelectedText() const override { return {}; }
    QString editorText() const override { return script; }
    void unbindGrid() override {}
    void bindGrid(const mv::Recordset&) override {}
    int gridColumnsShown() const override { return 0; }
    void refreshGrid() override {}
    void setGridBusy(bool) override {}
    void setPanelText(const QString&, const QString&) override {}
    void SetGridState(int) override {}
    void showParameters(const mv::ParameterSet&) override {}
    const mv::ParameterInputs& parameterInputs() const override { return inputs; }
    bool sessionTabSelected() const override { return false; }
    void showSessionText(const QString&) override {}
    void setExecuteEnabled(bool) override {}
};

} // namespace mvtest
