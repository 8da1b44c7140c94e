<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" sourcelanguage="en">
  <context>
    <name>Localizable</name>
    <message>
      <location filename="../src/TallyvaneUI/UsageAlertContent.cpp" line="81" />
      <source>%1 has %2% used.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/UsageAlertContent.cpp" line="90" />
      <source>%1 is available again.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/UsageAlertContent.cpp" line="70" />
      <source>%1 is on pace to run out</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/UsageAlertContent.cpp" line="74" />
      <source>%1 limit reset</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/UsageMeter.cpp" line="30" />
      <source>%1 percent</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/UsageRing.cpp" line="47" />
      <source>%1 percent %2</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/UsageAlertContent.cpp" line="67" />
      <source>%1 reached %2%</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="124" />
      <source>%1, %2</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/WindowRow.cpp" line="77" />
      <source>%1, %2 used, resets %3</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/MenuBar/StatusToolTip.cpp" line="72" />
      <source>%1: %2</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="66" />
      <source>%n day</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="46" />
      <source>%n day ago</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="67" />
      <source>%n days</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="47" />
      <source>%n days ago</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="68" />
      <source>%n hr</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="43" />
      <source>%n hr. ago</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="70" />
      <source>%n min</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="40" />
      <source>%n min. ago</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="52" />
      <source>%n mo. ago</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="72" />
      <source>%n sec</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="37" />
      <source>%n sec. ago</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="49" />
      <source>%n wk. ago</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="55" />
      <source>%n yr. ago</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsagePresentation/MenuBarProjection.cpp" line="43" />
      <source>, %1 consumed</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsagePresentation/MenuBarProjection.cpp" line="44" />
      <source>, %1 remaining</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsagePresentation/MenuBarProjection.cpp" line="54" />
      <source>, resets at %1</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsagePresentation/MenuBarProjection.cpp" line="48" />
      <source>, usage unavailable</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingConnectStep.cpp" line="99" />
      <source>1 account connected</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingConnectStep.cpp" line="75" />
      <source>2 of 2</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="89" />
      <source>About</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/ProvidersSettingsView.cpp" line="26" />
      <source>Accounts</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/OpenLinkDialog.cpp" line="31" />
      <source>Address</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="141" />
      <source>Alert at</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/DashboardView.cpp" line="58" />
      <source>All Windows</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/LoginItemController.cpp" line="48" />
      <source>Approve Tallyvane in System Settings to finish enabling this.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/UsageAlertContent.cpp" line="84" />
      <source>At this pace %1 runs out in %2. It resets in %3.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/UsageForecastText.cpp" line="14" />
      <source>At this pace: runs out in %1</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/UsageForecastText.cpp" line="23" />
      <source>At this pace: too early to tell</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/PrivacyContent.cpp" line="21" />
      <source>Authentication stays in the provider or keyring.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/AvailabilityLabel.cpp" line="11" />
      <source>Available</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/MenuBar/MenuBarController.cpp" line="131" />
      <source>Awaiting data</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingConnectStep.cpp" line="73" />
      <source>Back</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarSettingsView.cpp" line="72" />
      <source>Best available</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingConnectStep.cpp" line="97" />
      <source>Both accounts connected</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/FreshnessBadge.cpp" line="30" />
      <source>CACHED</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/ProviderConnectionBadge.cpp" line="35" />
      <source>Checking</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/ProviderStateAssembler.cpp" line="97" />
      <source>Checking sign-in</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarSettingsView.cpp" line="47" />
      <source>Choose the information that remains visible at a glance.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/ProviderKit/ClaudeOAuthSession.cpp" line="140" />
      <source>Claude sign-in was not completed. Return to Tallyvane to try again.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/ProvidersSettingsView.cpp" line="73" />
      <source>Claude, then Codex</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/OpenLinkDialog.cpp" line="37" />
      <source>Close</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/PrivacyContent.cpp" line="23" />
      <source>Codex uses its account app-server. Claude uses direct OAuth and its personal usage endpoint.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/ProvidersSettingsView.cpp" line="72" />
      <source>Codex, then Claude</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarSettingsView.cpp" line="67" />
      <source>Compact</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/UsageAppModel.cpp" line="176" />
      <source>Complete sign-in in your browser</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/ProviderConnectionButton.cpp" line="52" />
      <source>Connect</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/ProvidersSettingsView.cpp" line="27" />
      <source>Connect the services whose live limits you want to see.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingConnectStep.cpp" line="30" />
      <source>Connect your accounts</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/ProviderConnectionBadge.cpp" line="45" />
      <source>Connected</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/ProviderConnectionBadge.cpp" line="47" />
      <source>Connecting</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/ProvidersSettingsView.cpp" line="32" />
      <source>Connections</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/AllWindowsModel.cpp" line="112" />
      <source>Consumed</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarSettingsView.cpp" line="53" />
      <source>Content</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingWelcomeStep.cpp" line="47" />
      <source>Continue</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/PrivacyContent.cpp" line="22" />
      <source>Conversation content is never read.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/OpenLinkDialog.cpp" line="58" />
      <source>Copied</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/OpenLinkDialog.cpp" line="20" />
      <source>Copy Link</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/ProvidersSettingsView.cpp" line="38" />
      <source>Credentials stay in each service or the system keyring. Usage values are never cached.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/WindowKindName.cpp" line="17" />
      <source>Custom</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/DashboardView.cpp" line="57" />
      <source>Daily totals reported by each available source</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/SettingsStepperRow.cpp" line="38" />
      <source>Decrease</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarSettingsView.cpp" line="66" />
      <source>Density</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarSettingsView.cpp" line="67" />
      <source>Detailed</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="90" />
      <source>Diagnostics</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/DiagnosticsContent.cpp" line="94" />
      <source>Diagnostics appear after the first refresh.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/DiagnosticsContent.cpp" line="115" />
      <source>Diagnostics could not be exported.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/DiagnosticsContent.cpp" line="114" />
      <source>Diagnostics exported.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/ProviderConnectionButton.cpp" line="48" />
      <source>Disconnect</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/ProviderConnectionBadge.cpp" line="49" />
      <source>Disconnecting</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/UsageAppModel.cpp" line="194" />
      <source>Disconnecting from Tallyvane</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingConnectStep.cpp" line="32" />
      <source>Each service opens its own official sign-in flow.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/MenuBar/UsagePopover.cpp" line="140" />
      <source>Enable a provider in Settings.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/DashboardView.cpp" line="59" />
      <source>Every cap each provider currently reports, newest observation</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/app/main.cpp" line="61" />
      <source>Export Diagnostics</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/DiagnosticsContent.cpp" line="52" />
      <source>Export Diagnostics…</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingConnectStep.cpp" line="78" />
      <source>Finish</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="68" />
      <source>General</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/TokenActivityChart.cpp" line="83" />
      <source>History appears after a provider exposes aggregate token data.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarSettingsView.cpp" line="54" />
      <source>Icons only</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/SettingsStepperRow.cpp" line="39" />
      <source>Increase</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/ProviderConnectionButton.cpp" line="44" />
      <source>Install</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/FreshnessBadge.cpp" line="32" />
      <source>LIVE</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="98" />
      <source>Launch at login</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/LoginItemController.cpp" line="27" />
      <source>Launch at login needs the installed application.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarSettingsView.cpp" line="65" />
      <source>Layout</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/AvailabilityLabel.cpp" line="13" />
      <source>Limited</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/UsageSettingsView.cpp" line="67" />
      <source>Live data only</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingWelcomeStep.cpp" line="39" />
      <source>Live limits</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarSettingsView.cpp" line="46" />
      <source>Menu Bar</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/ProvidersSettingsView.cpp" line="41" />
      <source>Menu bar</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarPreview.cpp" line="40" />
      <source>Menu bar preview: %1</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/WindowKindName.cpp" line="15" />
      <source>Model</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/ProviderConnectionBadge.cpp" line="53" />
      <source>Needs attention</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/TokenActivityChart.cpp" line="81" />
      <source>No History Yet</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/MenuBar/UsagePopover.cpp" line="133" />
      <source>No Providers Shown</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/CountdownTimeline.cpp" line="62" />
      <source>No active session yet — the window starts with your next request.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/OpenLinkDialog.cpp" line="27" />
      <source>No browser could be opened. Open this address in your browser to continue:</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/DiagnosticsContent.cpp" line="102" />
      <source>No issues reported.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="42" />
      <source>No notification service is running</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/UsageWindowText.cpp" line="51" />
      <source>No reset time reported</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingWelcomeStep.cpp" line="41" />
      <source>No usage cache</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/ProviderConnectionBadge.cpp" line="41" />
      <source>Not connected</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/MenuBar/StatusToolTip.cpp" line="28" />
      <source>Not installed</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingWelcomeStep.cpp" line="50" />
      <source>Not now</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/CountdownTimeline.cpp" line="74" />
      <source>Not started</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="121" />
      <source>Notifications</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="156" />
      <source>Notify when an allowance becomes available again</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/UsageForecastText.cpp" line="18" />
      <source>On pace for %1 at reset</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="164" />
      <source>Once per window, from the recent rate of use</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="48" />
      <source>Only newly crossed thresholds are announced</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/MenuBar/MenuBarController.cpp" line="66" />
      <source>Open Dashboard</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="99" />
      <source>Open System Settings</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/DashboardView.cpp" line="102" />
      <source>Open settings</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/ProviderConnectionButton.cpp" line="60" />
      <source>Open the official Codex CLI installation guide</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/ProviderKit/ProviderService.cpp" line="34" />
      <source>Opens Claude sign-in in your browser. Inference permission is never requested.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/ProviderKit/ProviderService.cpp" line="33" />
      <source>Opens the official ChatGPT sign-in managed by Codex.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarSettingsView.cpp" line="58" />
      <source>Percentage</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/AvailabilityLabel.cpp" line="21" />
      <source>Permission required</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="44" />
      <source>Permission will be requested when enabled</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/SaveFileChooser.cpp" line="18" />
      <source>Plain text (*.txt)</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="92" />
      <source>Privacy</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/AllWindowsModel.cpp" line="108" />
      <source>Provider</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/ProvidersSettingsView.cpp" line="54" />
      <source>Provider order</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/MenuBar/MenuBarController.cpp" line="70" />
      <source>Quit Tallyvane</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="77" />
      <source>Refresh</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/MenuBar/MenuBarController.cpp" line="63" />
      <source>Refresh Now</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/ProviderDashboardCard.cpp" line="201" />
      <source>Refresh or check provider setup.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/DashboardView.cpp" line="96" />
      <source>Refresh usage</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/RefreshStateLabel.cpp" line="25" />
      <source>Refreshing</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/AllWindowsModel.cpp" line="114" />
      <source>Remaining</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/AllWindowsModel.cpp" line="116" />
      <source>Reset</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingWelcomeStep.cpp" line="40" />
      <source>Reset times</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/ProviderDashboardCard.cpp" line="109" />
      <source>Resets</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/CountdownTimeline.cpp" line="90" />
      <source>Resets %1</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/ProvidersSettingsView.cpp" line="30" />
      <source>Reverse</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/ProviderKit/ProviderService.cpp" line="41" />
      <source>Revokes this app's Claude tokens and removes them from the keyring.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/DiagnosticsContent.cpp" line="74" />
      <source>Save a sanitized report with app, system and provider compatibility information.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/WindowKindName.cpp" line="11" />
      <source>Session</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/MenuBar/UsagePopover.cpp" line="154" />
      <source>Settings</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/UsageSettingsView.cpp" line="77" />
      <source>Settings sections</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/MenuBar/MenuBarController.cpp" line="67" />
      <source>Settings…</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarSettingsView.cpp" line="70" />
      <source>Short / session</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/ProvidersSettingsView.cpp" line="43" />
      <source>Show %1</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/MenuBar/MenuBarController.cpp" line="62" />
      <source>Show Usage</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarSettingsView.cpp" line="56" />
      <source>Show percentage</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarSettingsView.cpp" line="61" />
      <source>Show reset time</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/ProviderDashboardCard.cpp" line="190" />
      <source>Sign in to access this account's usage.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/MenuBar/StatusToolTip.cpp" line="26" />
      <source>Sign-in required</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/ProviderKit/ProviderService.cpp" line="40" />
      <source>Signs out the shared ChatGPT session used by Tallyvane and the Codex CLI.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/AllWindowsModel.cpp" line="118" />
      <source>Source</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="75" />
      <source>Startup</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="69" />
      <source>Startup, refresh behavior and information about the app.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/DashboardView.cpp" line="84" />
      <source>Subscription allowance and local token activity, with source scope kept explicit.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/DashboardWindow.cpp" line="19" />
      <source>Tallyvane</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/SettingsWindow.cpp" line="17" />
      <source>Tallyvane Settings</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsagePresentation/MenuBarProjection.cpp" line="98" />
      <source>Tallyvane unavailable</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/LoginItemController.cpp" line="33" />
      <source>The autostart entry could not be removed.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/LoginItemController.cpp" line="29" />
      <source>The autostart entry could not be written.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/ProviderStateAssembler.cpp" line="68" />
      <source>The last refresh failed. Retrying %1 — or refresh now.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/TallyvaneUI/ProviderStateAssembler.cpp" line="67" />
      <source>The last refresh failed. Waiting before retrying.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/UsageWindowText.cpp" line="55" />
      <source>This window runs %1</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/DashboardView.cpp" line="56" />
      <source>Token Activity</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/TokenActivityChart.cpp" line="182" />
      <source>Tokens</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/AllWindowsModel.cpp" line="15" />
      <source>Unavailable</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="40" />
      <source>Unavailable: this session has no D-Bus session bus</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/AllWindowsModel.cpp" line="70" />
      <source>Unknown</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/AvailabilityLabel.cpp" line="19" />
      <source>Unsupported</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/ProviderConnectionButton.cpp" line="46" />
      <source>Update</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/MenuBar/StatusToolTip.cpp" line="30" />
      <source>Update required</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/RefreshStateLabel.cpp" line="28" />
      <source>Updated %1</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/DashboardView.cpp" line="81" />
      <source>Usage Overview</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/ProviderDashboardCard.cpp" line="196" />
      <source>Usage Unavailable</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="122" />
      <source>Usage alerts</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/PrivacyContent.cpp" line="20" />
      <source>Usage exists in memory for this launch only.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/MenuBar/CompactProviderCard.cpp" line="116" />
      <source>Usage is not available yet.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingConnectStep.cpp" line="61" />
      <source>Usage responses are never written to disk. You can connect or disconnect later in Settings.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/MenuBar/StatusToolTip.cpp" line="36" />
      <source>Usage unavailable</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarSettingsView.cpp" line="69" />
      <source>Usage window</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/ProvidersSettingsView.cpp" line="35" />
      <source>Use the provider's official sign-in flow</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingConnectStep.cpp" line="40" />
      <source>Uses Codex's managed ChatGPT session and account app-server.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingConnectStep.cpp" line="47" />
      <source>Uses browser OAuth; the resulting token stays in the system keyring.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarSettingsView.cpp" line="63" />
      <source>Uses your system clock format</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="163" />
      <source>Warn when on pace to run out before reset</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/MenuBarSettingsView.cpp" line="71" />
      <source>Weekly</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingWindowController.cpp" line="39" />
      <source>Welcome to Tallyvane</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/AllWindowsModel.cpp" line="110" />
      <source>Window</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Settings/GeneralSettingsView.cpp" line="155" />
      <source>Window resets</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingConnectStep.cpp" line="100" />
      <source>You can finish without connecting</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Onboarding/OnboardingWelcomeStep.cpp" line="29" />
      <source>Your AI limits, at a glance</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="45" />
      <source>in %n day</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="46" />
      <source>in %n days</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="42" />
      <source>in %n hr.</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="39" />
      <source>in %n min.</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="51" />
      <source>in %n mo.</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="36" />
      <source>in %n sec.</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="48" />
      <source>in %n wk.</source>
      <translation type="unfinished" />
    </message>
    <message numerus="yes">
      <location filename="../src/TallyvaneWidgetSupport/RelativeTimeFormatter.cpp" line="54" />
      <source>in %n yr.</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/UsageViews/UsageMeter.cpp" line="22" />
      <source>no data</source>
      <translation type="unfinished" />
    </message>
    <message>
      <location filename="../src/Dashboard/CountdownTimeline.cpp" line="89" />
      <source>this %1 window</source>
      <translation type="unfinished" />
    </message>
  </context>
</TS>
