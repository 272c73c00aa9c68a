<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Dialog</name>
    <message>
        <source>软件版本：V1.0</source>
        <translation>Software version: V1.0</translation>
    </message>
    <message>
        <source>驱动版本：V1.0</source>
        <translation>Driver version: V1.0</translation>
    </message>
    <message>
        <source>耳机音效控制面板</source>
        <translation>Headset sound control panel</translation>
    </message>
</context>
<context>
    <name>EqualizerPage</name>
    <message>
        <source>均衡器</source>
        <translation>Equalizer</translation>
    </message>
</context>
<context>
    <name>LightingPage</name>
    <message>
        <source>LED调节</source>
        <translation>Lighting</translation>
    </message>
</context>
<context>
    <name>MicSampleRatePage</name>
    <message>
        <source>取样频率</source>
        <translation>Sample rate</translation>
    </message>
</context>
<context>
    <name>MicrophonePage</name>
    <message>
        <source>音量控制</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>麦克风输入</source>
        <translation>Microphone input</translation>
    </message>
    <message>
        <source>监听音量</source>
        <translation>Monitoring volume</translation>
    </message>
    <message>
        <source>静音</source>
        <translation>Mute</translation>
    </message>
    <message>
        <source>麦克风监听</source>
        <translation>Microphone monitoring</translation>
    </message>
</context>
<context>
    <name>NoiseReductionPage</name>
    <message>
        <source>降噪</source>
        <translation>Noise reduction</translation>
    </message>
</context>
<context>
    <name>SampleRatePage</name>
    <message>
        <source>取样频率</source>
        <translation>Sample rate</translation>
    </message>
</context>
<context>
    <name>SoundFieldPage</name>
    <message>
        <source>声场定位</source>
        <translation>Sound field</translation>
    </message>
    <message>
        <source>启动声场定位</source>
        <translation>Sound-field positioning</translation>
    </message>
    <message>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <source>+</source>
        <translation>+</translation>
    </message>
    <message>
        <source>顺时针</source>
        <translation>Clockwise</translation>
    </message>
    <message>
        <source>逆时针</source>
        <translation>Anticlockwise</translation>
    </message>
    <message>
        <source>角度固定</source>
        <translation>Hold angle</translation>
    </message>
    <message>
        <source>角度归中</source>
        <translation>Centre angle</translation>
    </message>
    <message>
        <source>恢复默认值</source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source>滑动可独立调节各喇叭音量</source>
        <translation>Slide to set each speaker on its own</translation>
    </message>
</context>
<context>
    <name>SpatialPage</name>
    <message>
        <source>空间音效</source>
        <translation>Spatial sound</translation>
    </message>
</context>
<context>
    <name>SpatialSecondPage</name>
    <message>
        <source>空间音效</source>
        <translation>Spatial sound</translation>
    </message>
</context>
<context>
    <name>UpgradePage</name>
    <message>
        <source>升级</source>
        <translation>Upgrade</translation>
    </message>
    <message>
        <source>没有发现新版本</source>
        <translation>Can't find new version</translation>
    </message>
</context>
<context>
    <name>VoiceChangerPage</name>
    <message>
        <source>魔幻音效</source>
        <translation>Voice changer</translation>
    </message>
</context>
<context>
    <name>VolumePage</name>
    <message>
        <source>音量控制</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>扬声器主音量</source>
        <translation>Master volume</translation>
    </message>
    <message>
        <source>左</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>右</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>静音</source>
        <translation>Mute</translation>
    </message>
    <message>
        <source>锁定左右音量</source>
        <translation>Lock left and right volume</translation>
    </message>
    <message>
        <source>使能Spk驱动</source>
        <translation>Speaker processing</translation>
    </message>
    <message>
        <source>加载SPK驱动</source>
        <translation>Load speaker driver</translation>
    </message>
    <message>
        <source>卸载SPK驱动</source>
        <translation>Unload speaker driver</translation>
    </message>
</context>
<context>
    <name>demoClass</name>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimise</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>扬声器</source>
        <translation>Speaker</translation>
    </message>
    <message>
        <source>音量控制</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>取样频率</source>
        <translation>Sample rate</translation>
    </message>
    <message>
        <source>均衡器</source>
        <translation>Equalizer</translation>
    </message>
    <message>
        <source>空间音效</source>
        <translation>Spatial sound</translation>
    </message>
    <message>
        <source>声场定位</source>
        <translation>Sound field</translation>
    </message>
    <message>
        <source>麦克风</source>
        <translation>Microphone</translation>
    </message>
    <message>
        <source>魔幻音效</source>
        <translation>Voice changer</translation>
    </message>
    <message>
        <source>降噪</source>
        <translation>Noise reduction</translation>
    </message>
    <message>
        <source> 其他</source>
        <translation> Other</translation>
    </message>
    <message>
        <source>LED调节</source>
        <translation>Lighting</translation>
    </message>
    <message>
        <source>升级</source>
        <translation>Upgrade</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Playback</translation>
    </message>
    <message>
        <source>Playback</source>
        <translation>Playback</translation>
    </message>
    <message>
        <source>输出</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>7.1</source>
        <translation>7.1</translation>
    </message>
    <message>
        <source>录制</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>输入</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>48 KHz</source>
        <translation>48 KHz</translation>
    </message>
    <message>
        <source>静音</source>
        <translation>Mute</translation>
    </message>
</context>
<context>
    <name>dlgsetting</name>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>简体中文</source>
        <translation>Simplified Chinese</translation>
    </message>
    <message>
        <source>英语</source>
        <translation>English</translation>
    </message>
    <message>
        <source>音效图标常驻显示</source>
        <translation>Keep the sound icon in the tray</translation>
    </message>
    <message>
        <source>不再显示开始讯息</source>
        <translation>Don't show the start message again</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>kj</name>
    <message>
        <source>温馨提示</source>
        <translation>Tips</translation>
    </message>
    <message>
        <source>要启用Speakers设置，请对软件左侧菜单中的
逐项功能进行设置。</source>
        <translation>To use the speaker settings, set up each function
in the menu on the left.</translation>
    </message>
    <message>
        <source>不再提示此消息</source>
        <translation>Don't show this message again</translation>
    </message>
    <message>
        <source>知道了</source>
        <translation>Got it</translation>
    </message>
</context>
<context>
    <name>oro::panel::AboutDialog</name>
    <message>
        <source>当前版本 V%1.%2.%3</source>
        <translation>Current version V%1.%2.%3</translation>
    </message>
</context>
</TS>
