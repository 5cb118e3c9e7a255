// Binary contract with the measurement driver library tvxv2_w32.dll.
//
// Every entry point is __stdcall. The plug-in resolves all 163 names into the
// driver function table; the ones it calls have exact prototypes below, the
// rest are held as DrvUnused and never called.
#pragma once

#include "kw_types.h"

enum {
    DRV_OK = 0,
    DRV_ERR_LOST_CONNECTION = -1000,  // invalid device or lost connection
};

enum { DRV_MC_ANALOG = 0, DRV_MC_COUNTER = 1, DRV_MC_DIGITAL = 2 };
enum { DRV_INFO_PCI = 1, DRV_INFO_USB = 2 };

// Device list node of DeviceInfoGet: an array of u32 words.
enum { DRV_NODE_HANDLE = 1, DRV_NODE_NEXT = 4, DRV_NODE_WORDS = 5 };

#define KW_DRV_FN(name) typedef i32(KW_STDCALL * PFN_##name)
// Connection and search
KW_DRV_FN(RemoteDeviceConnect)(i32* handle, const char* address, i32 port, u32 flags, u32* word);
KW_DRV_FN(RemoteDeviceDisconnect)(i32 h);
KW_DRV_FN(RemoteDevicesSearch)(void);
KW_DRV_FN(RemoteDevicesGetIPFromSearchResult)(u32 index, char* buffer, u32 size);
KW_DRV_FN(GetCardIDBySerial)(const char* serial, i32* handle);
KW_DRV_FN(DeviceInfoGet)(u32 kind, u32** head);
KW_DRV_FN(DeviceInfoFree)(u32* head);
KW_DRV_FN(GetDevicePropertyStringA)(i32 h, const char* name, char* buffer, u32* length);
typedef const char*(KW_STDCALL* PFN_GetCardText)(i32 h);
// Whole device
KW_DRV_FN(DeviceCall)(i32 h);  // ConfigMeasure, StartMeasure, StopMeasure, *_ClearChannelList, PWM_StartOutput
KW_DRV_FN(GetChannelListSize)(i32 h, u32* count);
KW_DRV_FN(SetFrequency)(i32 h, double hertz);
KW_DRV_FN(EnableSoftwareClock)(i32 h, u32 enable, u32 blockSize);
// Analog
KW_DRV_FN(AD_AddChannelToList)(i32 h, u32 channel, u32 mode, u32 range, u32 inputSwitch);
KW_DRV_FN(AD_ReadSingleVoltage)(i32 h, u32 channel, u32 mode, u32 range, u32 inputSwitch, double* value);
KW_DRV_FN(DA_WriteChannelVoltage)(i32 h, u32 channel, double volts);
// Counter
KW_DRV_FN(CT_AddChannelToList)(i32 h, u32 channel, u32 flag);
KW_DRV_FN(CT_ModeCall)(i32 h, u32 channel, u32 a, u32 b, u32 c);
KW_DRV_FN(CT_IncrementalCounter)(i32 h, u32 channel, u32 a, u32 b, u32 c, u32 d, u32 e, u32 f);
KW_DRV_FN(CT_ReadSingleValue)(i32 h, u32 channel, u32* value);
// Digital
KW_DRV_FN(TTL_AddChannelToList)(i32 h, u32 line, u32 a, u32 b);
KW_DRV_FN(TTL_SetChannelDirection)(i32 h, u32 line, u32 output);
KW_DRV_FN(TTL_GetPortInfos)(i32 h, u32* ports, u32* linesPerPort, u32* word3, u32* word4);
KW_DRV_FN(TTL_ReadPort)(i32 h, u32 port, u32* word);
KW_DRV_FN(TTL_WritePort)(i32 h, u32 port, u32 word);
// Measurement channels
KW_DRV_FN(MeasurementChannel_GetNumberOfValues)(i32 h, u32 kind, u32 position, i32* count);
KW_DRV_FN(MeasurementChannel_ReadDataAsDouble)(i32 h, u32 kind, u32 position, double* buffer,
                                               u32* count, u32 r1, u32 r2, u32 r3, u32 r4);
KW_DRV_FN(MeasurementChannel_ReadDataAsUInt32)(i32 h, u32 kind, u32 position, u32* buffer,
                                               u32* count, u32 r1, u32 r2, u32 r3, u32 r4);
// Pulse outputs
KW_DRV_FN(PWM_Prepare)(i32 h, u32 channel, i32 frequency, i32 duty);
KW_DRV_FN(PWM_WriteNewPWMRatio)(i32 h, u32 channel, i32 duty);
KW_DRV_FN(PWM_SetValue)(i32 h, u32 channel, double value);
#undef KW_DRV_FN
typedef i32(KW_STDCALL* PFN_DrvUnused)(void);

// The driver function table in resolution order, eight groups.
// X(field, "exported name", pointer type)
#define KW_DRV_GROUP_AD(X)                                                  \
    X(AD_ClearChannelList, "AD_ClearChannelList", PFN_DeviceCall)           \
    X(AD_AddChannelToList, "AD_AddChannelToList", PFN_AD_AddChannelToList)  \
    X(AD_GetChannelListSize, "AD_GetChannelListSize", PFN_GetChannelListSize) \
    X(AD_ReadSingleValue, "AD_ReadSingleValue", PFN_DrvUnused)              \
    X(AD_ReadSingleValueExt, "_AD_ReadSingleValueExt@32", PFN_DrvUnused)    \
    X(AD_ReadSingleVoltage, "AD_ReadSingleVoltage", PFN_AD_ReadSingleVoltage) \
    X(AD_SetFrequency, "AD_SetFrequency", PFN_SetFrequency)                 \
    X(AD_GetFrequency, "AD_GetFrequency", PFN_DrvUnused)                    \
    X(AD_ReadLastBurst, "AD_ReadLastBurst", PFN_DrvUnused)                  \
    X(AD_ReadData, "AD_ReadData", PFN_DrvUnused)                            \
    X(AD_ReadDataExt, "AD_ReadDataExt", PFN_DrvUnused)                      \
    X(AD_ReadBinaryData, "AD_ReadBinaryData", PFN_DrvUnused)                \
    X(AD_GetStreamPipeLevel, "AD_GetStreamPipeLevel", PFN_DrvUnused)        \
    X(AD_GetNumberOfValues, "AD_GetNumberOfValues", PFN_DrvUnused)          \
    X(AD_StartMeasure, "AD_StartMeasure", PFN_DrvUnused)                    \
    X(AD_StopMeasure, "AD_StopMeasure", PFN_DrvUnused)                      \
    X(AD_SetIEPE, "AD_SetIEPE", PFN_DrvUnused)                              \
    X(AD_SetIEPEOnAudioModul, "AD_SetIEPEOnAudioModul", PFN_DrvUnused)      \
    X(AD_SetEventToBeRaisedWhenNumberOfBurstsAvailable,                     \
      "AD_SetEventToBeRaisedWhenNumberOfBurstsAvailable", PFN_DrvUnused)    \
    X(AD_Audio_SetHPFilter, "AD_Audio_SetHPFilter", PFN_DrvUnused)          \
    X(AD_Audio_SetHPFilterResponse, "AD_Audio_SetHPFilterResponse", PFN_DrvUnused) \
    X(AD_ResetIEPE, "AD_ResetIEPE", PFN_DrvUnused)                          \
    X(AD_GetIEPEType, "_AD_GetIEPEType@4", PFN_DrvUnused)

#define KW_DRV_GROUP_DA(X)                                                  \
    X(DA_SetRange, "DA_SetRange", PFN_DrvUnused)                            \
    X(DA_ClearChannelList, "DA_ClearChannelList", PFN_DrvUnused)            \
    X(DA_AddChannelToList, "DA_AddChannelToList", PFN_DrvUnused)            \
    X(DA_GetChannelListSize, "DA_GetChannelListSize", PFN_DrvUnused)        \
    X(DA_SetFrequency, "DA_SetFrequency", PFN_DrvUnused)                    \
    X(DA_StartOutput, "DA_StartOutput", PFN_DrvUnused)                      \
    X(DA_StopOutput, "DA_StopOutput", PFN_DrvUnused)                        \
    X(DA_WriteChannelRaw, "DA_WriteChannelRaw", PFN_DrvUnused)              \
    X(DA_WriteChannelVoltage, "DA_WriteChannelVoltage", PFN_DA_WriteChannelVoltage) \
    X(DA_WriteRawData, "DA_WriteRawData", PFN_DrvUnused)                    \
    X(DA_WriteScaledData, "DA_WriteScaledData", PFN_DrvUnused)              \
    X(DA_GetFifoState, "DA_GetFifoState", PFN_DrvUnused)                    \
    X(DA_Audio_SetMonauralMode, "DA_Audio_SetMonauralMode", PFN_DrvUnused)  \
    X(DA_Audio_SetADLoopbackMode, "DA_Audio_SetADLoopbackMode", PFN_DrvUnused)

#define KW_DRV_GROUP_CT(X)                                                  \
    X(CT_ClearChannelList, "CT_ClearChannelList", PFN_DeviceCall)           \
    X(CT_AddChannelToList, "CT_AddChannelToList", PFN_CT_AddChannelToList)  \
    X(CT_GetChannelListSize, "CT_GetChannelListSize", PFN_GetChannelListSize) \
    X(CT_SetFrequency, "CT_SetFrequency", PFN_SetFrequency)                 \
    X(CT_GetFrequency, "_CT_GetFrequency@8", PFN_DrvUnused)                 \
    X(CT_SetResolution, "CT_SetResolution", PFN_DrvUnused)                  \
    X(CT_ImpulseCounter, "CT_ImpulseCounter", PFN_CT_ModeCall)              \
    X(CT_FrequencyCounter, "CT_FrequencyCounter", PFN_CT_ModeCall)          \
    X(CT_PeriodCounter, "CT_PeriodCounter", PFN_CT_ModeCall)                \
    X(CT_PulswidthCounter, "CT_PulswidthCounter", PFN_CT_ModeCall)          \
    X(CT_IncrementalCounter, "CT_IncrementalCounter", PFN_CT_IncrementalCounter) \
    X(CT_IncrementalCounterExtensionTime, "_CT_IncrementalCounterExtensionTime@12", PFN_DrvUnused) \
    X(CT_IncrementalCounterExtensionFlow, "_CT_IncrementalCounterExtensionFlow@8", PFN_DrvUnused) \
    X(CT_UpDownCounter, "CT_UpDownCounter", PFN_DrvUnused)                  \
    X(CT_ScaleData, "CT_ScaleData", PFN_DrvUnused)                          \
    X(CT_ReadData, "CT_ReadData", PFN_DrvUnused)                            \
    X(CT_ReadDataExt, "CT_ReadDataExt", PFN_DrvUnused)                      \
    X(CT_ReadSingleValue, "CT_ReadSingleValue", PFN_CT_ReadSingleValue)     \
    X(CT_GetStreamPipeLevel, "CT_GetStreamPipeLevel", PFN_DrvUnused)        \
    X(CT_GetNumberOfValues, "CT_GetNumberOfValues", PFN_DrvUnused)          \
    X(CT_StartMeasure, "CT_StartMeasure", PFN_DrvUnused)                    \
    X(CT_StopMeasure, "CT_StopMeasure", PFN_DrvUnused)

#define KW_DRV_GROUP_GENERAL(X)                                             \
    X(ClearAllChannelLists, "ClearAllChannelLists", PFN_DrvUnused)          \
    X(ResetDevice, "ResetDevice", PFN_DrvUnused)                            \
    X(LoadFirmware, "LoadFirmware", PFN_DrvUnused)                          \
    X(StartMeasure, "StartMeasure", PFN_DeviceCall)                         \
    X(StopMeasure, "StopMeasure", PFN_DeviceCall)                           \
    X(SetStreamingMode, "SetStreamingMode", PFN_DrvUnused)                  \
    X(SetRunningMode, "SetRunningMode", PFN_DrvUnused)                      \
    X(SetRunningModeEx, "SetRunningModeEx", PFN_DrvUnused)                  \
    X(EnableSoftwareClock, "EnableSoftwareClock", PFN_EnableSoftwareClock)  \
    X(ConfigCard, "ConfigCard", PFN_DrvUnused)                              \
    X(SetGlobalTriggerValues, "SetGlobalTriggerValues", PFN_DrvUnused)      \
    X(ConfigMeasure, "ConfigMeasure", PFN_DeviceCall)                       \
    X(IdentifierDevice, "IdentifierDevice", PFN_DrvUnused)                  \
    X(IsUSBHighSpeed, "IsUSBHighSpeed", PFN_DrvUnused)                      \
    X(RemoteDeviceConnect, "RemoteDeviceConnect", PFN_RemoteDeviceConnect)  \
    X(RemoteDeviceDisconnect, "RemoteDeviceDisconnect", PFN_RemoteDeviceDisconnect) \
    X(RemoteDevicesSearch, "RemoteDevicesSearch", PFN_RemoteDevicesSearch)  \
    X(RemoteDevicesGetIPFromSearchResult, "RemoteDevicesGetIPFromSearchResult", \
      PFN_RemoteDevicesGetIPFromSearchResult)                               \
    X(GetCardName, "GetCardName", PFN_GetCardText)                          \
    X(GetCardProducer, "GetCardProducer", PFN_DrvUnused)                    \
    X(GetCardSeller, "GetCardSeller", PFN_DrvUnused)                        \
    X(GetManufacture_Name, "GetManufacture_Name", PFN_DrvUnused)            \
    X(GetSerialNumber, "GetSerialNumber", PFN_GetCardText)                  \
    X(GetCustomer_Name, "GetCustomer_Name", PFN_GetCardText)                \
    X(GetCustomer_Number, "GetCustomer_Number", PFN_DrvUnused)              \
    X(GetCustomer_DateOfPurchase, "GetCustomer_DateOfPurchase", PFN_GetCardText) \
    X(GetADChannels, "GetADChannels", PFN_DrvUnused)                        \
    X(GetADSampleWidth, "GetADSampleWidth", PFN_DrvUnused)                  \
    X(GetADSampleRate, "GetADSampleRate", PFN_DrvUnused)                    \
    X(GetDAChannels, "GetDAChannels", PFN_DrvUnused)                        \
    X(GetDASampleWidth, "GetDASampleWidth", PFN_DrvUnused)                  \
    X(GetDASampleRate, "GetDASampleRate", PFN_DrvUnused)                    \
    X(GetTTLChannels, "GetTTLChannels", PFN_DrvUnused)                      \
    X(GetTTLSampleWidth, "GetTTLSampleWidth", PFN_DrvUnused)                \
    X(GetTTLSampleRate, "GetTTLSampleRate", PFN_DrvUnused)                  \
    X(GetCTChannels, "GetCTChannels", PFN_DrvUnused)                        \
    X(GetCTSampleWidth, "GetCTSampleWidth", PFN_DrvUnused)                  \
    X(GetCTSampleRate, "GetCTSampleRate", PFN_DrvUnused)                    \
    X(GetPWMChannels, "GetPWMChannels", PFN_DrvUnused)                      \
    X(GetPWMSampleWidth, "GetPWMSampleWidth", PFN_DrvUnused)                \
    X(GetPWMSampleRate, "GetPWMSampleRate", PFN_DrvUnused)                  \
    X(GetSoftwareExtension, "GetSoftwareExtension", PFN_DrvUnused)          \
    X(GetHardwareExtension, "GetHardwareExtension", PFN_DrvUnused)          \
    X(GetDevicePropertyStringA, "GetDevicePropertyStringA", PFN_GetDevicePropertyStringA) \
    X(GetMeasurementProcessorVersion, "GetMeasurementProcessorVersion", PFN_DrvUnused) \
    X(GetControllerFirmwareVersion, "GetControllerFirmwareVersion", PFN_DrvUnused) \
    X(GetSystemDriverVersion, "GetSystemDriverVersion", PFN_DrvUnused)      \
    X(PrivateFlashDataRead, "PrivateFlashDataRead", PFN_DrvUnused)          \
    X(PrivateFlashDataWrite, "PrivateFlashDataWrite", PFN_DrvUnused)        \
    X(PrivateFlashDataClear, "PrivateFlashDataClear", PFN_DrvUnused)        \
    X(SetLEDs, "_SetLEDs@16", PFN_DrvUnused)                                \
    X(GetDLLVersion, "GetDLLVersion", PFN_DrvUnused)                        \
    X(GetLIBVersion, "GetLIBVersion", PFN_DrvUnused)                        \
    X(GetCardIDBySerial, "GetCardIDBySerial", PFN_GetCardIDBySerial)        \
    X(GetDeviceInfo, "GetDeviceInfo", PFN_DrvUnused)                        \
    X(GetNumberOfBurstsOnADController, "_GetNumberOfBurstsOnADController@8", PFN_DrvUnused) \
    X(GetNumberOfBurstsOnCTController, "_GetNumberOfBurstsOnCTController@8", PFN_DrvUnused)

#define KW_DRV_GROUP_DEVICE(X)                                              \
    X(OpenDevice, "OpenDevice", PFN_DrvUnused)                              \
    X(CloseDevice, "CloseDevice", PFN_DrvUnused)                            \
    X(IsDeviceOpen, "IsDeviceOpen", PFN_DrvUnused)                          \
    X(GetFirstDevice, "GetFirstDevice", PFN_DrvUnused)                      \
    X(GetNumberOfDevices, "GetNumberOfDevices", PFN_DrvUnused)              \
    X(GetFirstDeviceByType, "GetFirstDeviceByType", PFN_DrvUnused)          \
    X(GetErrorDescription, "GetErrorDescription", PFN_DrvUnused)            \
    X(SetBPCIFile, "SetBPCIFile", PFN_DrvUnused)                            \
    X(SetTVXDevicelistChangedHandler, "SetTVXDevicelistChangedHandler", PFN_DrvUnused) \
    X(DeviceInfoGet, "DeviceInfoGet", PFN_DeviceInfoGet)                    \
    X(DeviceInfoFree, "DeviceInfoFree", PFN_DeviceInfoFree)                 \
    X(GetDeviceHandles, "_GetDeviceHandles@8", PFN_DrvUnused)               \
    X(GetDeviceHandlesKestrelwingETH, "_GetDeviceHandlesKestrelwingETH@8", PFN_DrvUnused) \
    X(GetDeviceHandlesKestrelwingPCI, "_GetDeviceHandlesKestrelwingPCI@8", PFN_DrvUnused) \
    X(GetDeviceHandlesKestrelwingUSB, "_GetDeviceHandlesKestrelwingUSB@8", PFN_DrvUnused) \
    X(GetDeviceHandlesKestrelwingUSBBasic, "_GetDeviceHandlesKestrelwingUSBBasic@8", PFN_DrvUnused)

#define KW_DRV_GROUP_TTL(X)                                                 \
    X(TTL_ClearChannelList, "TTL_ClearChannelList", PFN_DeviceCall)         \
    X(TTL_AddChannelToList, "TTL_AddChannelToList", PFN_TTL_AddChannelToList) \
    X(TTL_GetChannelListSize, "TTL_GetChannelListSize", PFN_GetChannelListSize) \
    X(TTL_SetFrequency, "TTL_SetFrequency", PFN_SetFrequency)               \
    X(TTL_SetChannelDirection, "TTL_SetChannelDirection", PFN_TTL_SetChannelDirection) \
    X(TTL_GetChannelDirection, "TTL_GetChannelDirection", PFN_DrvUnused)    \
    X(TTL_ReadData, "TTL_ReadData", PFN_DrvUnused)                          \
    X(TTL_ReadDataExt, "TTL_ReadDataExt", PFN_DrvUnused)                    \
    X(TTL_ReadPort, "TTL_ReadPort", PFN_TTL_ReadPort)                       \
    X(TTL_WritePort, "TTL_WritePort", PFN_TTL_WritePort)                    \
    X(TTL_ReadBit, "TTL_ReadBit", PFN_DrvUnused)                            \
    X(TTL_WriteBit, "TTL_WriteBit", PFN_DrvUnused)                          \
    X(TTL_GetStreamPipeLevel, "TTL_GetStreamPipeLevel", PFN_DrvUnused)      \
    X(TTL_GetNumberOfValues, "TTL_GetNumberOfValues", PFN_DrvUnused)        \
    X(TTL_InitializeTargetSettings, "TTL_InitializeTargetSettings", PFN_DrvUnused) \
    X(TTL_StartMeasure, "TTL_StartMeasure", PFN_DrvUnused)                  \
    X(TTL_StopMeasure, "TTL_StopMeasure", PFN_DrvUnused)                    \
    X(TTL_GetPortInfos, "TTL_GetPortInfos", PFN_TTL_GetPortInfos)

#define KW_DRV_GROUP_MC(X)                                                  \
    X(MeasurementChannel_GetNumberOfValues, "MeasurementChannel_GetNumberOfValues", \
      PFN_MeasurementChannel_GetNumberOfValues)                             \
    X(MeasurementChannel_ReadDataAsUInt32, "MeasurementChannel_ReadDataAsUInt32", \
      PFN_MeasurementChannel_ReadDataAsUInt32)                              \
    X(MeasurementChannel_ReadDataAsDouble, "MeasurementChannel_ReadDataAsDouble", \
      PFN_MeasurementChannel_ReadDataAsDouble)

#define KW_DRV_GROUP_PWM(X)                                                 \
    X(PWM_StartOutput, "PWM_StartOutput", PFN_DeviceCall)                   \
    X(PWM_StopOutput, "PWM_StopOutput", PFN_DrvUnused)                      \
    X(PWM_PreparePWMOutput, "PWM_PreparePWMOutput", PFN_PWM_Prepare)        \
    X(PWM_PrepareFMOutput, "PWM_PrepareFMOutput", PFN_PWM_Prepare)          \
    X(PWM_WriteNewPWMRatio, "PWM_WriteNewPWMRatio", PFN_PWM_WriteNewPWMRatio) \
    X(PWM_WriteNewFMFrequency, "PWM_WriteNewFMFrequency", PFN_DrvUnused)    \
    X(PWM_GetPWMRatio, "PWM_GetPWMRatio", PFN_DrvUnused)                    \
    X(PWM_GetFMFrequency, "PWM_GetFMFrequency", PFN_DrvUnused)              \
    X(PWM_SetFrequency, "PWM_SetFrequency", PFN_PWM_SetValue)               \
    X(PWM_SetDutyCycle, "PWM_SetDutyCycle", PFN_PWM_SetValue)

// The eight groups in resolution order. G(groupName, listMacro, count)
#define KW_DRV_GROUPS(G)                        \
    G(AD, KW_DRV_GROUP_AD, 23)                  \
    G(DA, KW_DRV_GROUP_DA, 14)                  \
    G(CT, KW_DRV_GROUP_CT, 22)                  \
    G(General, KW_DRV_GROUP_GENERAL, 57)        \
    G(Device, KW_DRV_GROUP_DEVICE, 16)          \
    G(TTL, KW_DRV_GROUP_TTL, 18)                \
    G(MeasurementChannel, KW_DRV_GROUP_MC, 3)   \
    G(PWM, KW_DRV_GROUP_PWM, 10)

enum { DRV_ENTRY_COUNT = 163 };

// Driver function table: one pointer per entry point, null until resolved.
struct DrvTable {
#define KW_DRV_FIELD(field, name, type) type field;
#define KW_DRV_GROUP_FIELDS(group, list, count) list(KW_DRV_FIELD)
    KW_DRV_GROUPS(KW_DRV_GROUP_FIELDS)
#undef KW_DRV_GROUP_FIELDS
#undef KW_DRV_FIELD
};
static_assert(sizeof(DrvTable) == DRV_ENTRY_COUNT * sizeof(void*), "163 driver entry points");
