<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>CFitDialog</name>
    <message numerus="yes">
        <source>%n band(s) used</source>
        <translation>
            <numerusform>%n band used</numerusform>
            <numerusform>%n bands used</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CMainWindow</name>
    <message numerus="yes">
        <source> — %n remote device(s) connected</source>
        <translation>
            <numerusform> — %n remote device connected</numerusform>
            <numerusform> — %n remote devices connected</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>MeasurementFile</name>
    <message numerus="yes">
        <source>%n line(s) without a point skipped</source>
        <translation>
            <numerusform>%n line without a point skipped</numerusform>
            <numerusform>%n lines without a point skipped</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n point(s) at a frequency given before left out</source>
        <translation>
            <numerusform>%n point at a frequency given before left out</numerusform>
            <numerusform>%n points at a frequency given before left out</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>StatusLine</name>
    <message numerus="yes">
        <source>%1 and %n other change(s) were not applied</source>
        <comment>%2: all the changes</comment>
        <translation>
            <numerusform>%1 and %n other change were not applied</numerusform>
            <numerusform>%1 and %n other changes were not applied</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Sending %n change(s)…</source>
        <translation>
            <numerusform>Sending %n change…</numerusform>
            <numerusform>Sending %n changes…</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The unit does not answer: %n change(s) not applied</source>
        <translation>
            <numerusform>The unit does not answer: %n change not applied</numerusform>
            <numerusform>The unit does not answer: %n changes not applied</numerusform>
        </translation>
    </message>
</context>
</TS>
