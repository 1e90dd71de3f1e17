<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it_IT">
<context>
    <name>MainWindow</name>
    <message>
        <source>I take it back!</source>
        <translation>Ci ripenso!</translation>
    </message>
    <message>
        <source>Show log...</source>
        <translation>Mostra registro...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Esci</translation>
    </message>
</context>
</TS>
