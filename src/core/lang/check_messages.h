#pragma once

// Message ids of the configuration check, the register map and the commissioning report:
// one block appended after the 494 original entries and those added before it,
// translatable like them (STR502 to STR606 in a language file). Texts with %1, %2, ...
// take the finding's values.
namespace px::msg {

inline constexpr int kCheckFirst = 502;

// Findings: errors.
inline constexpr int kDuplicateIdentifier = 502;
inline constexpr int kIdentifierRange = 503;
inline constexpr int kFormatContradictsSettings = 504;
inline constexpr int kFrameMissing = 505;
inline constexpr int kByteBeyondLength = 506;
inline constexpr int kByteAboveEight = 507;
inline constexpr int kDuplicateRegister = 508;
inline constexpr int kRegisterRange = 509;
inline constexpr int kLengthRange = 510;
inline constexpr int kDefaultCount = 511;
inline constexpr int kTooManyFrames = 512;
inline constexpr int kTooManyMappings = 513;
inline constexpr int kDefaultsBeyondRoom = 514;
inline constexpr int kNotANumber = 515;
inline constexpr int kHiddenTimeOut = 516;
inline constexpr int kTypeText = 517;
inline constexpr int kControlCharacter = 518;
// Findings: warnings.
inline constexpr int kNoPositions = 519;
inline constexpr int kSameByte = 520;
inline constexpr int kByteShared = 521;
inline constexpr int kReceiveUnmapped = 522;
inline constexpr int kTransmitEmpty = 523;
inline constexpr int kNeverSent = 524;
inline constexpr int kTimerZero = 525;
inline constexpr int kRtrPeriodZero = 526;
inline constexpr int kTimeOutZero = 527;
inline constexpr int kGatewayOutsideSubnet = 528;
inline constexpr int kNetworkAddress = 529;
inline constexpr int kBroadcastAddress = 530;
inline constexpr int kBusLoad = 531;
// Words and labels.
inline constexpr int kError = 532;
inline constexpr int kWarning = 533;
inline constexpr int kRow = 534;
inline constexpr int kReceive = 535;
inline constexpr int kTransmit = 536;
inline constexpr int kRegister = 537;
inline constexpr int kFrame = 538;
inline constexpr int kCobId = 539;
inline constexpr int kType = 540;
inline constexpr int kMnemonic = 541;
inline constexpr int kHighByte = 542;
inline constexpr int kLowByte = 543;
inline constexpr int kSendOnWrite = 544;
inline constexpr int kYes = 545;
inline constexpr int kNo = 546;
inline constexpr int kNone = 547;
inline constexpr int kDataBytes = 548;
inline constexpr int kNotInFrame = 549;
inline constexpr int kUnmapped = 550;
inline constexpr int kNoFindings = 551;
inline constexpr int kFindingsSummary = 552;
inline constexpr int kBusLoadLine = 553;
// The register map window.
inline constexpr int kRegisterMapTitle = 554;
inline constexpr int kRegisterMapDescription = 555;
inline constexpr int kFilter = 556;
inline constexpr int kFindings = 557;
inline constexpr int kExportCsv = 558;
inline constexpr int kExportHtml = 559;
inline constexpr int kPrint = 560;
inline constexpr int kSavePdf = 561;
inline constexpr int kReportHtml = 562;
inline constexpr int kReportPdf = 563;
inline constexpr int kClose = 564;
inline constexpr int kRegisterMapButton = 565;
inline constexpr int kRegisterMapHint = 566;
inline constexpr int kOpenFromMainWindow = 567;
// The findings dialog of Update Device.
inline constexpr int kFindingsTitle = 568;
inline constexpr int kFindingsErrors = 569;
inline constexpr int kFindingsWarnings = 570;
inline constexpr int kBack = 571;
inline constexpr int kUpdateAnyway = 572;
inline constexpr int kContinue = 573;
inline constexpr int kDoubleClickHint = 574;
// The commissioning report.
inline constexpr int kReportTitle = 575;
inline constexpr int kConfiguration = 576;
inline constexpr int kDate = 577;
inline constexpr int kDevice = 578;
inline constexpr int kCommunication = 579;
inline constexpr int kBitRate = 580;
inline constexpr int kCanType = 581;
inline constexpr int kCanTimeOut = 582;
inline constexpr int kIpAddress = 583;
inline constexpr int kSubnetMask = 584;
inline constexpr int kGateway = 585;
inline constexpr int kPort = 586;
inline constexpr int kFastStartUp = 587;
inline constexpr int kReceiveFrames = 588;
inline constexpr int kTransmitFrames = 589;
inline constexpr int kReceiveMap = 590;
inline constexpr int kTransmitMap = 591;
inline constexpr int kByteLayout = 592;
inline constexpr int kBusLoadTitle = 593;
inline constexpr int kImages = 594;
inline constexpr int kBytes = 595;
inline constexpr int kChecksum = 596;
inline constexpr int kNotCompiled = 597;
inline constexpr int kDimension = 598;
inline constexpr int kTimeOut = 599;
inline constexpr int kRtr = 600;
inline constexpr int kSending = 601;
inline constexpr int kDefaultValues = 602;
inline constexpr int kDisabled = 603;
inline constexpr int kFile = 604;
inline constexpr int kMessage = 605;
inline constexpr int kCode = 606;

inline constexpr int kCheckEnd = 607;  // one past the block

} // namespace px::msg
