// GridControl: the wrapper over the hosted grid control (control window, dispatch interface, host
// object). Until the control is created it holds nothing.
#pragma once

class GridControl {
public:
    // Releases the control and its host object.
    void Destroy() {}
};
