<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" sourcelanguage="en">
  <context>
    <name>TallyvaneWidget</name>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="61" />
      <source>%1, %2 used</source>
      <comment>VoiceOver provider percentage</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="91" />
      <source>--endpoint must be an http URL.</source>
      <comment>Command-line error</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="76" />
      <source>--family must be small or medium.</source>
      <comment>Command-line error</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="85" />
      <source>--format must be text, json or waybar.</source>
      <comment>Command-line error</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="102" />
      <source>--format needs --once.</source>
      <comment>Command-line error</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="98" />
      <source>--once and --render-png cannot be combined.</source>
      <comment>Command-line error</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/DesktopWidgetWindow.cpp" line="106" />
      <source>Close</source>
      <comment>Desktop widget menu action</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="78" />
      <source>Could not update %1</source>
      <comment>Relative failed widget refresh time</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/main.cpp" line="79" />
      <source>Could not write the image.</source>
      <comment>Command-line error</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="40" />
      <source>Five-hour</source>
      <comment>Five-hour usage window</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="45" />
      <source>Live Codex and Claude usage with no stored usage snapshot.</source>
      <comment>Widget description</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="20" />
      <source>Load once, print, and exit.</source>
      <comment>Command-line option help</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="44" />
      <source>Model</source>
      <comment>Per-model usage window</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="26" />
      <source>No usage data</source>
      <comment>Widget provider without windows</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="32" />
      <source>Not available</source>
      <comment>Widget provider error state</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="23" />
      <source>Output of --once: text, json or waybar.</source>
      <comment>Command-line option help</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="29" />
      <source>Sign in required</source>
      <comment>Widget provider auth state</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="64" />
      <source>Unexpected argument.</source>
      <comment>Command-line error</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="76" />
      <source>Updated %1</source>
      <comment>Relative widget refresh time</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="90" />
      <source>Usage could not be updated %1</source>
      <comment>VoiceOver failed widget refresh time</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="87" />
      <source>Usage updated %1</source>
      <comment>VoiceOver relative widget refresh time</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetTexts.cpp" line="42" />
      <source>Weekly</source>
      <comment>Weekly usage window</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="28" />
      <source>Where the application serves its usage.</source>
      <comment>Command-line option help</comment>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidget/WidgetCommandLine.cpp" line="16" />
      <source>Widget size: small or medium.</source>
      <comment>Command-line option help</comment>
      <translation type="unfinished" />
    </message>
  </context>
</TS>
