<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" sourcelanguage="en">
  <context>
    <name>TallyvaneWidget</name>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="60" />
      <source>%1, %2 used</source>
      <comment>VoiceOver provider percentage</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="93" />
      <source>--endpoint must be an http URL.</source>
      <comment>Command-line error</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="78" />
      <source>--family must be small or medium.</source>
      <comment>Command-line error</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="87" />
      <source>--format must be text, json or waybar.</source>
      <comment>Command-line error</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="104" />
      <source>--format needs --once.</source>
      <comment>Command-line error</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="100" />
      <source>--once and --render-png cannot be combined.</source>
      <comment>Command-line error</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidgetViews/DesktopWidgetWindow.cpp" line="106" />
      <source>Close</source>
      <comment>Desktop widget menu action</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="77" />
      <source>Could not update %1</source>
      <comment>Relative failed widget refresh time</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidgetViews/main.cpp" line="40" />
      <source>Could not write the image.</source>
      <comment>Command-line error</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="41" />
      <source>Five-hour</source>
      <comment>Five-hour usage window</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="47" />
      <source>Live Codex and Claude usage with no stored usage snapshot.</source>
      <comment>Widget description</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="22" />
      <source>Load once, print, and exit.</source>
      <comment>Command-line option help</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="45" />
      <source>Model</source>
      <comment>Per-model usage window</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="27" />
      <source>No usage data</source>
      <comment>Widget provider without windows</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="33" />
      <source>Not available</source>
      <comment>Widget provider error state</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="25" />
      <source>Output of --once: text, json or waybar.</source>
      <comment>Command-line option help</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="30" />
      <source>Sign in required</source>
      <comment>Widget provider auth state</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/main.cpp" line="60" />
      <source>The widget window is not installed.</source>
      <comment>Command-line error</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="66" />
      <source>Unexpected argument.</source>
      <comment>Command-line error</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="75" />
      <source>Updated %1</source>
      <comment>Relative widget refresh time</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="89" />
      <source>Usage could not be updated %1</source>
      <comment>VoiceOver failed widget refresh time</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="86" />
      <source>Usage updated %1</source>
      <comment>VoiceOver relative widget refresh time</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="43" />
      <source>Weekly</source>
      <comment>Weekly usage window</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="30" />
      <source>Where the application serves its usage.</source>
      <comment>Command-line option help</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="18" />
      <source>Widget size: small or medium.</source>
      <comment>Command-line option help</comment>
      <translation type="unfinished" />
    </message>
  </context>
</TS>
