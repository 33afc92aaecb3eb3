// What a window offers to the menus it owns: numbered commands that can be asked about before a
// menu opens and executed once an item is chosen. The command ids are the menu resource's item
// ids (16, 32771, 32772, ...). User-interface thread only.
#pragma once

class CCommandTarget {
public:
    // True when the target has a handler for command `nId`; a menu disables items it does not handle.
    virtual bool HandlesCommand(unsigned nId) const = 0;
    // Asked only for handled commands, each time a menu showing them opens.
    virtual bool IsCommandEnabled(unsigned nId) const = 0;
    virtual bool IsCommandChecked(unsigned nId) const = 0;
    // Command `nId` was chosen.
    virtual void ExecuteCommand(unsigned nId) = 0;

protected:
    ~CCommandTarget() = default;
};
