@echo off
rem Runs once after unpacking: leaves a marker file and ends at once.
echo initialised>"%~dp0..\init.log"
