// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quaverly {

// Installs, once, the accessibility interfaces of the window's own controls, so a screen
// reader (through Qt's AT-SPI bridge) finds each control named by its caption and carrying
// its value, and the pictures named by what they show:
// - pop-ups (AutoResizePopUpButton): named by their caption (Qt names a combo box by its
//   current item on Linux), the current item as the value;
// - the stepper: a spin button with the reference in Hz, increased and decreased as by keys;
// - the disclosure triangle: a button that reports expanded or collapsed;
// - the needle meter: a read-only slider whose value is the cents;
// - indicator dots, level lamps and the strobe: their caption plus their state ("Flat, on").
// Everything else keeps Qt's own interfaces. Main thread, before the window is shown.
void installAccessibleInterfaces();

} // namespace quaverly
