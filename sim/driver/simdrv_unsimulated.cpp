// Entry points the plug-in never calls: each is logged like every call,
// honours an injected call fault, and otherwise returns
// SIMDRV_ERR_NOT_SIMULATED.
#include "simdrv_state.h"

#define SIM_NOT_SIMULATED(name, h, ...)                    \
    i32 st;                                               \
    if (SimEnter(&st, name, h, __VA_ARGS__)) return st;   \
    return SIMDRV_ERR_NOT_SIMULATED

// ---------------------------------------------------------------- decorated: N / 4 words each

extern "C" i32 KW_STDCALL Sim_AD_ReadSingleValueExt(u32 h, u32 a, u32 b, u32 c, u32 d, u32 e, u32 f, u32 g)
{
    SIM_NOT_SIMULATED("_AD_ReadSingleValueExt@32", (i32)h, "%d,%u,%u,%u,%u,%u,%u,%u", (i32)h, a, b, c, d, e, f, g);
}
extern "C" i32 KW_STDCALL Sim_AD_GetIEPEType(u32 h)
{
    SIM_NOT_SIMULATED("_AD_GetIEPEType@4", (i32)h, "%d", (i32)h);
}
extern "C" i32 KW_STDCALL Sim_CT_GetFrequency(u32 h, u32 a)
{
    SIM_NOT_SIMULATED("_CT_GetFrequency@8", (i32)h, "%d,%u", (i32)h, a);
}
extern "C" i32 KW_STDCALL Sim_CT_IncrementalCounterExtensionTime(u32 h, u32 a, u32 b)
{
    SIM_NOT_SIMULATED("_CT_IncrementalCounterExtensionTime@12", (i32)h, "%d,%u,%u", (i32)h, a, b);
}
extern "C" i32 KW_STDCALL Sim_CT_IncrementalCounterExtensionFlow(u32 h, u32 a)
{
    SIM_NOT_SIMULATED("_CT_IncrementalCounterExtensionFlow@8", (i32)h, "%d,%u", (i32)h, a);
}
extern "C" i32 KW_STDCALL Sim_SetLEDs(u32 h, u32 a, u32 b, u32 c)
{
    SIM_NOT_SIMULATED("_SetLEDs@16", (i32)h, "%d,%u,%u,%u", (i32)h, a, b, c);
}
extern "C" i32 KW_STDCALL Sim_GetNumberOfBurstsOnADController(u32 h, u32 a)
{
    SIM_NOT_SIMULATED("_GetNumberOfBurstsOnADController@8", (i32)h, "%d,%u", (i32)h, a);
}
extern "C" i32 KW_STDCALL Sim_GetNumberOfBurstsOnCTController(u32 h, u32 a)
{
    SIM_NOT_SIMULATED("_GetNumberOfBurstsOnCTController@8", (i32)h, "%d,%u", (i32)h, a);
}
// The device handle lists: two words each.
#define SIM_HANDLE_LIST(field, name) \
    extern "C" i32 KW_STDCALL Sim_##field(u32 list, u32 count) { SIM_NOT_SIMULATED(name, -1, "%u,%u", list, count); }
SIM_HANDLE_LIST(GetDeviceHandles, "_GetDeviceHandles@8")
SIM_HANDLE_LIST(GetDeviceHandlesKestrelwingETH, "_GetDeviceHandlesKestrelwingETH@8")
SIM_HANDLE_LIST(GetDeviceHandlesKestrelwingPCI, "_GetDeviceHandlesKestrelwingPCI@8")
SIM_HANDLE_LIST(GetDeviceHandlesKestrelwingUSB, "_GetDeviceHandlesKestrelwingUSB@8")
SIM_HANDLE_LIST(GetDeviceHandlesKestrelwingUSBBasic, "_GetDeviceHandlesKestrelwingUSBBasic@8")

// ---------------------------------------------------------------- held as PFN_DrvUnused: no arguments

#define SIM_UNUSED(field) \
    extern "C" i32 KW_STDCALL Sim_##field(void) { SIM_NOT_SIMULATED(#field, -1, "%s", ""); }
SIM_UNUSED(AD_ReadSingleValue)
SIM_UNUSED(AD_GetFrequency)
SIM_UNUSED(AD_ReadLastBurst)
SIM_UNUSED(AD_ReadData)
SIM_UNUSED(AD_ReadDataExt)
SIM_UNUSED(AD_ReadBinaryData)
SIM_UNUSED(AD_GetStreamPipeLevel)
SIM_UNUSED(AD_GetNumberOfValues)
SIM_UNUSED(AD_StartMeasure)
SIM_UNUSED(AD_StopMeasure)
SIM_UNUSED(AD_SetIEPE)
SIM_UNUSED(AD_SetIEPEOnAudioModul)
SIM_UNUSED(AD_SetEventToBeRaisedWhenNumberOfBurstsAvailable)
SIM_UNUSED(AD_Audio_SetHPFilter)
SIM_UNUSED(AD_Audio_SetHPFilterResponse)
SIM_UNUSED(AD_ResetIEPE)
SIM_UNUSED(DA_SetRange)
SIM_UNUSED(DA_ClearChannelList)
SIM_UNUSED(DA_AddChannelToList)
SIM_UNUSED(DA_GetChannelListSize)
SIM_UNUSED(DA_SetFrequency)
SIM_UNUSED(DA_StartOutput)
SIM_UNUSED(DA_StopOutput)
SIM_UNUSED(DA_WriteChannelRaw)
SIM_UNUSED(DA_WriteRawData)
SIM_UNUSED(DA_WriteScaledData)
SIM_UNUSED(DA_GetFifoState)
SIM_UNUSED(DA_Audio_SetMonauralMode)
SIM_UNUSED(DA_Audio_SetADLoopbackMode)
SIM_UNUSED(CT_SetResolution)
SIM_UNUSED(CT_UpDownCounter)
SIM_UNUSED(CT_ScaleData)
SIM_UNUSED(CT_ReadData)
SIM_UNUSED(CT_ReadDataExt)
SIM_UNUSED(CT_GetStreamPipeLevel)
SIM_UNUSED(CT_GetNumberOfValues)
SIM_UNUSED(CT_StartMeasure)
SIM_UNUSED(CT_StopMeasure)
SIM_UNUSED(ClearAllChannelLists)
SIM_UNUSED(ResetDevice)
SIM_UNUSED(LoadFirmware)
SIM_UNUSED(SetStreamingMode)
SIM_UNUSED(SetRunningMode)
SIM_UNUSED(SetRunningModeEx)
SIM_UNUSED(ConfigCard)
SIM_UNUSED(SetGlobalTriggerValues)
SIM_UNUSED(IdentifierDevice)
SIM_UNUSED(IsUSBHighSpeed)
SIM_UNUSED(GetCardProducer)
SIM_UNUSED(GetCardSeller)
SIM_UNUSED(GetManufacture_Name)
SIM_UNUSED(GetCustomer_Number)
SIM_UNUSED(GetADChannels)
SIM_UNUSED(GetADSampleWidth)
SIM_UNUSED(GetADSampleRate)
SIM_UNUSED(GetDAChannels)
SIM_UNUSED(GetDASampleWidth)
SIM_UNUSED(GetDASampleRate)
SIM_UNUSED(GetTTLChannels)
SIM_UNUSED(GetTTLSampleWidth)
SIM_UNUSED(GetTTLSampleRate)
SIM_UNUSED(GetCTChannels)
SIM_UNUSED(GetCTSampleWidth)
SIM_UNUSED(GetCTSampleRate)
SIM_UNUSED(GetPWMChannels)
SIM_UNUSED(GetPWMSampleWidth)
SIM_UNUSED(GetPWMSampleRate)
SIM_UNUSED(GetSoftwareExtension)
SIM_UNUSED(GetHardwareExtension)
SIM_UNUSED(GetMeasurementProcessorVersion)
SIM_UNUSED(GetControllerFirmwareVersion)
SIM_UNUSED(GetSystemDriverVersion)
SIM_UNUSED(PrivateFlashDataRead)
SIM_UNUSED(PrivateFlashDataWrite)
SIM_UNUSED(PrivateFlashDataClear)
SIM_UNUSED(GetDLLVersion)
SIM_UNUSED(GetLIBVersion)
SIM_UNUSED(GetDeviceInfo)
SIM_UNUSED(OpenDevice)
SIM_UNUSED(CloseDevice)
SIM_UNUSED(IsDeviceOpen)
SIM_UNUSED(GetFirstDevice)
SIM_UNUSED(GetNumberOfDevices)
SIM_UNUSED(GetFirstDeviceByType)
SIM_UNUSED(GetErrorDescription)
SIM_UNUSED(SetBPCIFile)
SIM_UNUSED(SetTVXDevicelistChangedHandler)
SIM_UNUSED(TTL_GetChannelDirection)
SIM_UNUSED(TTL_ReadData)
SIM_UNUSED(TTL_ReadDataExt)
SIM_UNUSED(TTL_ReadBit)
SIM_UNUSED(TTL_WriteBit)
SIM_UNUSED(TTL_GetStreamPipeLevel)
SIM_UNUSED(TTL_GetNumberOfValues)
SIM_UNUSED(TTL_InitializeTargetSettings)
SIM_UNUSED(TTL_StartMeasure)
SIM_UNUSED(TTL_StopMeasure)
SIM_UNUSED(PWM_StopOutput)
SIM_UNUSED(PWM_WriteNewFMFrequency)
SIM_UNUSED(PWM_GetPWMRatio)
SIM_UNUSED(PWM_GetFMFrequency)

#if defined(_WIN32) && !defined(_WIN64)
// Every decorated name's N equals the argument bytes its entry point removes.
template <class F>
struct SimArgBytes;
template <class R, class... A>
struct SimArgBytes<R KW_STDCALL(A...)> {
    static constexpr u32 value = (0u + ... + u32((sizeof(A) + 3) & ~3u));
};
#define SIM_CHECK_BYTES(field, name, pfn)                                                           \
    static_assert(SimDecoratedBytes(name) == 0 || SimArgBytes<decltype(Sim_##field)>::value == SimDecoratedBytes(name), \
                  name);
#define SIM_CHECK_GROUP(group, list, count) list(SIM_CHECK_BYTES)
KW_DRV_GROUPS(SIM_CHECK_GROUP)
#endif
