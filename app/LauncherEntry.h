#pragma once

namespace tolvane {

// The program's entry in the desktop's task manager or dock, keyed by its desktop entry: a
// progress bar over the entry's icon. It is published as the launcher-entry signal on the
// session bus, which Plasma's task manager and GNOME's docks read; without a session bus
// nothing is sent, and nothing waits for anyone to listen.
class LauncherEntry {
  public:
    // The progress bar at percent (0 to 100), or no bar for a negative value. A value
    // already shown is not sent again.
    void ShowProgress(int percent);

  private:
    int shown = -1;
};

}  // namespace tolvane
