<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AccessibleInterfaces</name>
    <message numerus="yes">
        <source>-%n cent(s)</source>
        <comment>needle below the note</comment>
        <translation>
            <numerusform>-%n cent</numerusform>
            <numerusform>-%n cents</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>+%n cent(s)</source>
        <comment>needle at or above the note</comment>
        <translation>
            <numerusform>+%n cent</numerusform>
            <numerusform>+%n cents</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quaverly::SpokenReading</name>
    <message numerus="yes">
        <source>%1, %n cent(s) sharp</source>
        <comment>note name, deviation above</comment>
        <translation>
            <numerusform>%1, %n cent sharp</numerusform>
            <numerusform>%1, %n cents sharp</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1, %n cent(s) flat</source>
        <comment>note name, deviation below</comment>
        <translation>
            <numerusform>%1, %n cent flat</numerusform>
            <numerusform>%1, %n cents flat</numerusform>
        </translation>
    </message>
</context>
</TS>
